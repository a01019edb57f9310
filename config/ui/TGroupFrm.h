#pragma once
// "功能分组定义": the list of function group names.  Every change is written
// to the "GROUP" section of the configuration file at once; the list is read
// back from the file each time the dialog is shown.
#include <QDialog>
#include <QStringList>

class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

class TGroupFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TGroupFrm(QWidget *parent = nullptr);

    QGroupBox *grp_Group;
    QListWidget *lst_Group;
    QLineEdit *edt_AddGroup;
    QPushButton *btn_AddGroup;
    QPushButton *btn_DelGroup;
    QPushButton *btn_OK;

    void FormShow();
    void btn_AddGroupClick();
    void btn_DelGroupClick();
    // Replaces the "GROUP" section by the list's names, value = position.
    void Save_Group();

    // The names of the list, in order: the group IDs are their positions.
    const QStringList &Group_Names() const { return m_names; }
    // The entry's text without blanks and control characters at either end.
    static QString Trimmed_Name(const QString &text);
    // Why the file cannot take `name` as a group, or empty when it can.
    static QString Name_Problem(const QString &name, const QStringList &existing);

protected:
    void showEvent(QShowEvent *event) override;
    // Enter in the name entry adds the name; elsewhere it means "确定".
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Fill_List(const QStringList &names);
    void Save_Or_Restore();
    void Select_Same_Name(const QString &name);
    void BuildLayout();

    QStringList m_names;
};

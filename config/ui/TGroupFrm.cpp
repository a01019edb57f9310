#include "TGroupFrm.h"

#include "config/ConfigLocation.h"
#include "config/IniFile.h"
#include "common/ui/Dialogs.h"
#include "common/Exceptions.h"
#include "common/Guard.h"

#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kGroupSection = QStringLiteral("GROUP");

bool IsBlankOrControl(QChar c)
{
    return c.isSpace() || c.category() == QChar::Other_Control;
}
}

TGroupFrm::TGroupFrm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("GroupFrm"));
    setWindowTitle(QStringLiteral("功能分组定义"));

    grp_Group = new QGroupBox(QStringLiteral("功能分组"), this);
    grp_Group->setObjectName(QStringLiteral("grp_Group"));
    lst_Group = new QListWidget(grp_Group);
    lst_Group->setObjectName(QStringLiteral("lst_Group"));
    lst_Group->setSelectionMode(QAbstractItemView::SingleSelection);
    edt_AddGroup = new QLineEdit(grp_Group);
    edt_AddGroup->setObjectName(QStringLiteral("edt_AddGroup"));
    edt_AddGroup->setPlaceholderText(QStringLiteral("新分组名称"));
    btn_AddGroup = new QPushButton(QStringLiteral("增加"), grp_Group);
    btn_AddGroup->setObjectName(QStringLiteral("btn_AddGroup"));
    btn_DelGroup = new QPushButton(QStringLiteral("删除"), grp_Group);
    btn_DelGroup->setObjectName(QStringLiteral("btn_DelGroup"));
    btn_OK = new QPushButton(QStringLiteral("确定"), this);
    btn_OK->setObjectName(QStringLiteral("btn_OK"));
    // Enter anywhere in the dialog but the name entry means "确定".
    for (QPushButton *b : {btn_AddGroup, btn_DelGroup})
        b->setAutoDefault(false);
    btn_OK->setDefault(true);

    connect(btn_AddGroup, &QPushButton::clicked, this, [this] { Guard([this] { btn_AddGroupClick(); }); });
    connect(btn_DelGroup, &QPushButton::clicked, this, [this] { Guard([this] { btn_DelGroupClick(); }); });
    connect(btn_OK, &QPushButton::clicked, this, &QDialog::accept);
    BuildLayout();
}

void TGroupFrm::BuildLayout()
{
    auto *grid = new QGridLayout(grp_Group);
    grid->addWidget(lst_Group, 0, 0, 1, 3);
    grid->addWidget(edt_AddGroup, 1, 0);
    grid->addWidget(btn_AddGroup, 1, 1);
    grid->addWidget(btn_DelGroup, 1, 2);
    grid->setColumnStretch(0, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btn_OK);

    auto *top = new QVBoxLayout(this);
    top->addWidget(grp_Group);
    top->addLayout(buttons);
    resize(340, 380);
}

void TGroupFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guard([this] { FormShow(); });
}

void TGroupFrm::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && focusWidget() == edt_AddGroup && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        Guard([this] { btn_AddGroupClick(); });
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TGroupFrm::FormShow()
{
    Fill_List(TIniFile(ConfigFileName()).ReadSection(kGroupSection));
}

void TGroupFrm::Fill_List(const QStringList &names)
{
    m_names = names;
    lst_Group->clear();
    lst_Group->addItems(m_names);
    lst_Group->setCurrentRow(m_names.isEmpty() ? -1 : 0);
}

QString TGroupFrm::Trimmed_Name(const QString &text)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && IsBlankOrControl(text.at(begin)))
        ++begin;
    while (end > begin && IsBlankOrControl(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString TGroupFrm::Name_Problem(const QString &name, const QStringList &existing)
{
    // The name is the key of its line in the file: "=" would end it, "[" in
    // front would read as a section, ";" in front as a comment.
    if (!TIniFile::IsStorableKey(name))
        return QStringLiteral("分组名称不能含有“=”或换行，也不能以“;”或“[”开头。");
    // Keys match without regard to letter case: the file holds a name once.
    if (existing.contains(name, Qt::CaseInsensitive))
        return QStringLiteral("已有同名的分组（不区分大小写），请换一个名称。");
    return QString();
}

void TGroupFrm::btn_AddGroupClick()
{
    const QString name = Trimmed_Name(edt_AddGroup->text());
    if (name.isEmpty())
        return;
    const QString problem = Name_Problem(name, m_names);
    if (!problem.isEmpty()) {
        Select_Same_Name(name); // a duplicate: show the group that exists
        ShowInfo(problem);
        return;
    }
    m_names.append(name);
    lst_Group->addItem(name);
    lst_Group->setCurrentRow(lst_Group->count() - 1);
    Save_Or_Restore();
}

void TGroupFrm::Select_Same_Name(const QString &name)
{
    for (int i = 0; i < m_names.size(); ++i) {
        if (m_names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            lst_Group->setCurrentRow(i);
    }
}

void TGroupFrm::btn_DelGroupClick()
{
    const QList<QListWidgetItem *> selected = lst_Group->selectedItems();
    if (!selected.isEmpty()) {
        const int row = lst_Group->row(selected.first());
        m_names.removeAt(row);
        delete lst_Group->takeItem(row);
    }
    lst_Group->setCurrentRow(-1);
    lst_Group->clearSelection();
    Save_Or_Restore();
}

void TGroupFrm::Save_Or_Restore()
{
    // When the file cannot be written the list goes back to what the file
    // holds, so that it never shows groups that do not exist.
    try {
        Save_Group();
    } catch (const EIniFileException &) {
        Fill_List(TIniFile(ConfigFileName()).ReadSection(kGroupSection));
        throw;
    }
}

void TGroupFrm::Save_Group()
{
    // Every name is checked first, so that the erase and the rewrite go to
    // the file together or not at all.
    for (const QString &name : m_names) {
        if (!TIniFile::IsStorableKey(name))
            throw EIniFileException(Name_Problem(name, {}));
    }
    TIniFile ini(ConfigFileName());
    ini.Batch([&] {
        ini.EraseSection(kGroupSection);
        for (int k = 0; k < m_names.size(); ++k)
            ini.WriteInteger(kGroupSection, m_names.at(k), k);
    });
}

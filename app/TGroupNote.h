#pragma once
// A status pane that tells, while the manual page is shown, how many axes
// belong to no function group: such an axis gets no panel (a deleted group,
// a stored group number out of range), and without the note the operator
// would not know where it went.
#include <QLabel>

class QStackedWidget;
class QStatusBar;

class TGroupNote : public QLabel
{
    Q_OBJECT
public:
    // Joins `bar`; shown only while `pages` shows `manualPage`.
    TGroupNote(QStatusBar *bar, QStackedWidget *pages, QWidget *manualPage);

    // The axes below `axisCount` whose Group_ID names none of `groupCount`
    // groups; none while there are no groups (every axis then has a panel
    // by its VISIBLE key).
    static int Axes_Without_Group(int axisCount, int groupCount);

    // Refreshes the text from the configuration records.
    void Update(int axisCount, int groupCount);

private:
    void Follow_Page();

    QStackedWidget *m_pages;
    QWidget *m_manualPage;
};

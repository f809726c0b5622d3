#pragma once

#include "gui/DialogOutcome.h"

#include "lists/DateTime.h"

#include <QDate>
#include <QDialog>

class QCalendarWidget;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace quillarc {

class Clock;

/// The cut-off date dialog: a day on a calendar (January 1945 to today) and
/// a time on a 12-hour clock, or a file's time, or all file times. It opens
/// on the clock's current local date and time. Outcome 255 = accepted
/// (PickedDateTime holds the value, 0 for all file times), -1 = cancelled.
class TDatePickForm : public OneUseDialog {
    Q_OBJECT
public:
    explicit TDatePickForm(QWidget *parent = nullptr, const Clock *clock = nullptr);

    DateTime PickedDateTime() const { return m_picked; }

    int TodayYear() const { return m_today.year(); }
    int TodayMonth() const { return m_today.month(); }
    int TodayDay() const { return m_today.day(); }
    QDate calendarDate() const;

    /// "December 27, 2002".
    static QString GetMonthText(const QDate &date);
    /// Hour of the day for the 12-hour fields; 0 for an hour outside 1..12.
    static int hourOfDay(int hour12, bool pm);

    /// Fills the time fields from the clock's current local time.
    void FormShow();
    void CalendarChange();

    QPlainTextEdit *Memo1;
    QLineEdit *Edit1;
    QCalendarWidget *Calendar;
    QPushButton *PrevYearButton;
    QPushButton *nextyearButton;
    QPushButton *prevMonthButton;
    QPushButton *NextMonthButton;
    QSpinBox *HourSpinEdit;
    QSpinBox *MinuteSpinEdit;
    QSpinBox *SecondSpinEdit;
    QComboBox *AMPMComboBox;
    QPushButton *BitBtn1;
    QPushButton *Button1; ///< ACCEPT
    QPushButton *Button3; ///< ALL  FILE TIMES
    QPushButton *Button2; ///< CANCEL

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Construction, in the order the focus moves.
    void buildMemo();
    void buildDayPicker();
    void buildArrowPanels();
    void buildTimePanel();
    void buildButtons();
    /// FormCreate: the calendar at the clock's today.
    void startAtToday();
    void connectCommands();

    void setCalendarDate(const QDate &date);
    void PrevYearButtonClick();
    void nextyearButtonClick();
    void prevMonthButtonClick();
    void NextMonthButtonClick();
    void Button1Click();
    void BitBtn1Click();
    void Button3Click();

    const Clock &m_clock;
    QDate m_today;
    DateTime m_picked = 0;
    bool m_shown = false;
    bool m_inChange = false;
};

} // namespace quillarc

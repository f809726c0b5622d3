#include "gui/TDatePickForm.h"

#include "platform/Folders.h"

#include "gui/FileDialog.h"
#include "gui/DrawnIcons.h"
#include "gui/Fonts.h"
#include "gui/MemoText.h"
#include "gui/MessageBox.h"
#include "gui/Widgets.h"
#include "base/Clock.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTextCharFormat>

#include <algorithm>
#include <ctime>

namespace quillarc {

namespace {

const QDate kEarliest(1945, 1, 1);
const QColor kLightCyan(176, 255, 255);
const QColor kAqua(0, 255, 255);

/// Minute and second fields always show two digits ("5" becomes "05").
class TwoDigitSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QString textFromValue(int value) const override
    {
        const QString text = QString::number(value);
        return text.size() == 1 ? QLatin1Char('0') + text : text;
    }
};

} // namespace

TDatePickForm::TDatePickForm(QWidget *parent, const Clock *clock)
    : OneUseDialog(parent, Widgets::dialogFlags() | Qt::WindowStaysOnTopHint), m_clock(clock ? *clock : Clock::system())
{
    setWindowTitle(QStringLiteral("Select the cut off date for selecting files to include in the Backup File"));
    setFixedSize(538, 435);
    setFont(Fonts::sans(16));
    Widgets::setBackground(this, QColor(0, 0, 255));
    // Made in the order the focus moves through them.
    buildMemo();
    buildDayPicker();
    buildArrowPanels();
    buildTimePanel();
    buildButtons();
    startAtToday();
    connectCommands();
}

void TDatePickForm::buildMemo()
{
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(16, 8, 513, 97);
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The four lines keep their breaks where the face leaves room, and flow
    // as one paragraph where it does not.
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setFont(Fonts::sans(14));
    const QStringList memoLines {
        QStringLiteral("If you have already backed up the files in this folder, you may wish to set "),
        QStringLiteral("a cut off date.  Only the files and folders which have changed after this "),
        QStringLiteral("date will be included in the backup file.  To include all the files and "),
        QStringLiteral("folders, select CANCEL."),
    };
    const int memoRoom = 513 - 2 * Memo1->frameWidth() - 2 * int(Memo1->document()->documentMargin()) - 2;
    Memo1->setPlainText(memoText(memoLines, QFontMetrics(Memo1->font()), memoRoom));
    // Black text on a white memo of its own, whatever the desktop's theme.
    Widgets::setLightBase(Memo1, Qt::white, Qt::black);
}

void TDatePickForm::buildDayPicker()
{
    QWidget *panel1 = Widgets::panel(this, QRect(16, 120, 353, 57), Qt::white);
    Edit1 = new QLineEdit(panel1);
    Edit1->setGeometry(8, 8, 329, 41);
    Edit1->setReadOnly(true);
    Edit1->setFrame(false);
    Edit1->setFocusPolicy(Qt::NoFocus);
    Edit1->setFont(Fonts::sans(32));
    Widgets::setLightBase(Edit1, Qt::white, Qt::black);

    Calendar = new QCalendarWidget(this);
    Calendar->setGeometry(16, 184, 353, 120);
    Calendar->setFirstDayOfWeek(Qt::Sunday);
    Calendar->setNavigationBarVisible(false);
    Calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Calendar->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    Calendar->setMinimumDate(kEarliest);
    Calendar->setFont(Fonts::sans(11, true));
    Calendar->setAutoFillBackground(true);
    // The day names and weekend days are black: the grid keeps a light
    // background of its own under a dark theme.
    Widgets::setLightBase(Calendar, Qt::white, Qt::black);
    // Weekend days are drawn like the rest; the grid is for picking a day.
    QTextCharFormat plain;
    plain.setForeground(Qt::black);
    Calendar->setWeekdayTextFormat(Qt::Saturday, plain);
    Calendar->setWeekdayTextFormat(Qt::Sunday, plain);
}

void TDatePickForm::buildArrowPanels()
{
    QWidget *panel2 = Widgets::panel(this, QRect(376, 120, 153, 185), kLightCyan);
    auto arrowPanel = [&](int top, const QString &caption, QPushButton *&prev, QPushButton *&next) {
        QWidget *box = Widgets::panel(panel2, QRect(6, top, 141, 84), QColor(0, 0, 255));
        auto *label = new QLabel(caption, box);
        QFont f = Fonts::sans(16, true);
        f.setItalic(true);
        label->setFont(f);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(0, 4, 141, 24);
        Widgets::setTextColour(label, kAqua);
        // Light faces and drawn arrows of their own: under any theme a
        // disabled arrow is grey and an enabled one green.
        prev = new QPushButton(box);
        prev->setGeometry(10, 34, 57, 41);
        prev->setIcon(DrawnIcons::arrow(false));
        prev->setIconSize(QSize(24, 24));
        next = new QPushButton(box);
        next->setGeometry(74, 34, 57, 41);
        next->setIcon(DrawnIcons::arrow(true));
        next->setIconSize(QSize(24, 24));
        for (QPushButton *arrow : {prev, next})
            Widgets::setLightBase(arrow, QColor(236, 236, 236), Qt::black);
    };
    arrowPanel(6, QStringLiteral("YEAR"), PrevYearButton, nextyearButton);
    arrowPanel(95, QStringLiteral("MONTH"), prevMonthButton, NextMonthButton);
    PrevYearButton->setAccessibleName(QStringLiteral("Previous year"));
    nextyearButton->setAccessibleName(QStringLiteral("Next year"));
    prevMonthButton->setAccessibleName(QStringLiteral("Previous month"));
    NextMonthButton->setAccessibleName(QStringLiteral("Next month"));
}

void TDatePickForm::buildTimePanel()
{
    QWidget *panel5 = Widgets::panel(this, QRect(16, 312, 513, 49), kLightCyan);
    auto *timeCaption = new QLabel(QStringLiteral("   TIME   (Hour / Min / Sec)"), panel5);
    timeCaption->setGeometry(0, 0, 230, 49);
    timeCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Widgets::setTextColour(timeCaption, Qt::black);
    HourSpinEdit = new QSpinBox(panel5);
    HourSpinEdit->setRange(1, 12);
    HourSpinEdit->setValue(12);
    HourSpinEdit->setGeometry(232, 10, 56, 29);
    MinuteSpinEdit = new TwoDigitSpinBox(panel5);
    MinuteSpinEdit->setRange(0, 59);
    MinuteSpinEdit->setGeometry(294, 10, 56, 29);
    SecondSpinEdit = new TwoDigitSpinBox(panel5);
    SecondSpinEdit->setRange(0, 59);
    SecondSpinEdit->setGeometry(356, 10, 56, 29);
    for (QSpinBox *spin : {HourSpinEdit, MinuteSpinEdit, SecondSpinEdit})
        spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    AMPMComboBox = new QComboBox(panel5);
    AMPMComboBox->addItems({QStringLiteral("AM"), QStringLiteral("PM")});
    AMPMComboBox->setGeometry(418, 10, 56, 29);
    BitBtn1 = new QPushButton(panel5);
    BitBtn1->setGeometry(478, 8, 31, 33);
    BitBtn1->setIcon(DrawnIcons::question());
    Widgets::setLightBase(BitBtn1, QColor(236, 236, 236), Qt::black);
    BitBtn1->setIconSize(QSize(22, 22));
    BitBtn1->setToolTip(QStringLiteral("Open File to Find File Time"));
}

void TDatePickForm::buildButtons()
{
    auto boldButton = [&](const QString &text, const QRect &geometry) {
        auto *button = new QPushButton(text, this);
        button->setGeometry(geometry);
        button->setFont(Fonts::sans(16, true));
        return button;
    };
    Button1 = boldButton(QStringLiteral("ACCEPT"), QRect(24, 376, 105, 49));
    Button3 = boldButton(QStringLiteral("ALL  FILE TIMES"), QRect(164, 376, 225, 49));
    Button2 = boldButton(QStringLiteral("CANCEL"), QRect(424, 376, 105, 49));
    Button1->setDefault(true);
}

void TDatePickForm::startAtToday()
{
    // FormCreate: today is the clock's local date, fixed for this dialog.
    const DateParts today = DecodeDate(dateTimeFromTimePoint(m_clock.now()));
    m_today = QDate(today.year, today.month, today.day);
    {
        const QSignalBlocker block(Calendar);
        Calendar->setSelectedDate(m_today);
        Calendar->setCurrentPage(m_today.year(), m_today.month());
    }
    Edit1->setText(GetMonthText(m_today));
    nextyearButton->setEnabled(false);
    NextMonthButton->setEnabled(false);
}

void TDatePickForm::connectCommands()
{
    connect(Calendar, &QCalendarWidget::selectionChanged, this, &TDatePickForm::CalendarChange);
    connect(PrevYearButton, &QPushButton::clicked, this, &TDatePickForm::PrevYearButtonClick);
    connect(nextyearButton, &QPushButton::clicked, this, &TDatePickForm::nextyearButtonClick);
    connect(prevMonthButton, &QPushButton::clicked, this, &TDatePickForm::prevMonthButtonClick);
    connect(NextMonthButton, &QPushButton::clicked, this, &TDatePickForm::NextMonthButtonClick);
    connect(Button1, &QPushButton::clicked, this, &TDatePickForm::Button1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TDatePickForm::BitBtn1Click);
    connect(Button3, &QPushButton::clicked, this, &TDatePickForm::Button3Click);
    connect(Button2, &QPushButton::clicked, this, [this] { done(Cancelled); });
}

QString TDatePickForm::GetMonthText(const QDate &date)
{
    static const char *const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
    if (!date.isValid())
        return {};
    return QStringLiteral("%1 %2, %3").arg(QLatin1String(kMonths[date.month() - 1])).arg(date.day()).arg(date.year());
}

int TDatePickForm::hourOfDay(int hour12, bool pm)
{
    if (hour12 < 1 || hour12 > 12)
        return 0;
    if (hour12 == 12)
        return pm ? 12 : 0;
    return pm ? hour12 + 12 : hour12;
}

QDate TDatePickForm::calendarDate() const
{
    return Calendar->selectedDate();
}

void TDatePickForm::showEvent(QShowEvent *event)
{
    if (!m_shown) {
        m_shown = true;
        Widgets::centreOnScreen(this);
        FormShow();
    }
    QDialog::showEvent(event);
}

void TDatePickForm::FormShow()
{
    const TimeParts now = DecodeTime(dateTimeFromTimePoint(m_clock.now()));
    MinuteSpinEdit->setValue(now.minute);
    SecondSpinEdit->setValue(now.second);
    const int hour12 = now.hour % 12 == 0 ? 12 : now.hour % 12;
    HourSpinEdit->setValue(hour12);
    AMPMComboBox->setCurrentIndex(now.hour >= 12 ? 1 : 0);
}

void TDatePickForm::setCalendarDate(const QDate &date)
{
    const QDate target = std::max(date, kEarliest);
    {
        const QSignalBlocker block(Calendar);
        Calendar->setSelectedDate(target);
        Calendar->setCurrentPage(target.year(), target.month());
    }
    CalendarChange();
}

void TDatePickForm::CalendarChange()
{
    QDate date = Calendar->selectedDate();
    // A cut-off after today would hide every file changed until then, so a
    // later day, in this month or (by a year step) a later month, is pulled
    // back to today.
    if (date > m_today) {
        setCalendarDate(m_today);
        return;
    }
    if (Calendar->yearShown() != date.year() || Calendar->monthShown() != date.month()) {
        const QSignalBlocker block(Calendar);
        Calendar->setCurrentPage(date.year(), date.month());
    }
    Edit1->setText(GetMonthText(date));
    const int year = date.year();
    const int month = date.month();
    if (year != m_today.year()) {
        nextyearButton->setEnabled(true);
        NextMonthButton->setEnabled(true);
    } else {
        nextyearButton->setEnabled(false);
    }
    PrevYearButton->setEnabled(year > 1945);
    prevMonthButton->setEnabled(!(year == 1945 && month == 1));
    NextMonthButton->setEnabled(!(year == m_today.year() && month == m_today.month()));
}

void TDatePickForm::PrevYearButtonClick()
{
    setCalendarDate(Calendar->selectedDate().addYears(-1));
}

void TDatePickForm::nextyearButtonClick()
{
    setCalendarDate(Calendar->selectedDate().addYears(1));
}

void TDatePickForm::prevMonthButtonClick()
{
    setCalendarDate(Calendar->selectedDate().addMonths(-1));
}

void TDatePickForm::NextMonthButtonClick()
{
    const QDate date = Calendar->selectedDate();
    if (date.year() == m_today.year() && date.month() == m_today.month()) {
        NextMonthButton->setEnabled(false);
        return;
    }
    setCalendarDate(date.addMonths(1));
}

void TDatePickForm::Button1Click()
{
    // Clicking a button ends editing, so typed values are clamped first.
    for (QSpinBox *spin : {HourSpinEdit, MinuteSpinEdit, SecondSpinEdit})
        spin->interpretText();
    const QDate date = Calendar->selectedDate();
    const int hour = hourOfDay(HourSpinEdit->value(), AMPMComboBox->currentText() == QLatin1String("PM"));
    m_picked = EncodeDate(date.year(), date.month(), date.day()) +
               EncodeTime(hour, MinuteSpinEdit->value(), SecondSpinEdit->value(), 0);
    done(Accepted);
}

void TDatePickForm::BitBtn1Click()
{
    const QString path = FileDialog::openFile(this, QStringLiteral("Open File to Find File Time"), QDir::homePath(),
                                              QStringLiteral("GZ, Zip (*.gz *.zip)"));
    if (path.isEmpty())
        return;
    const std::optional<struct tm> modified = localModificationTime(path.toStdString());
    if (!modified) {
        MessageBox::error(this, QStringLiteral("Invalid argument to date encode"));
        return;
    }
    const struct tm &local = *modified;
    // File times are taken at the 2-second steps the program has always used.
    DateTime value = 0;
    if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, value)) {
        MessageBox::error(this, QStringLiteral("Invalid argument to date encode"));
        return;
    }
    m_picked = value + EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59) & ~1, 0);
    done(Accepted);
}

void TDatePickForm::Button3Click()
{
    m_picked = 0;
    done(Accepted);
}

void TDatePickForm::reject()
{
    // Escape or the window system's close command: nothing is taken.
    done(Cancelled);
}

} // namespace quillarc

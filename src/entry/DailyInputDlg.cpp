#include "entry/DailyInputDlg.h"

#include "dialogkit/ButtonCommands.h"
#include "dialogkit/DialogTemplate.h"
#include "dialogkit/Prompt.h"
#include "dialogkit/WindowPosition.h"
#include "session/Messages.h"
#include "session/PlayDiary.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <limits>

namespace {

using dlg::Kind;

// Amounts are typed with at most this many digits: 0 to 9999 hundreds of yen.
constexpr int kAmountDigits = 4;
constexpr unsigned kAmountEdit = dlg::Digits | dlg::AlignRight | dlg::TabStop;

constexpr int kNone = -1; // a control the code never reaches

// The window's controls in tab order, at their places in dialog units; 186 x 191 in all.
const dlg::Item kTemplate[] = {
        {kNone, Kind::GroupBox, u"実績", 8, 76, 168, 64},
        {kNone, Kind::Text, u"回収額(&P):", 16, 88, 32, 12, dlg::VCenter},
        {EntryCtl::Collected, Kind::Edit, nullptr, 52, 88, 20, 12, kAmountEdit},
        {kNone, Kind::Text, u"00円", 76, 88, 20, 12},
        {kNone, Kind::Text, u"投資額(&M):", 16, 104, 32, 12},
        {EntryCtl::Invested, Kind::Edit, nullptr, 52, 104, 20, 12, kAmountEdit},
        {kNone, Kind::Text, u"00円", 76, 104, 20, 12},
        {kNone, Kind::SunkenFrame, nullptr, 16, 120, 152, 1},
        {kNone, Kind::Text, u"収支(&T):", 16, 124, 32, 12},
        {EntryCtl::Balance, Kind::Edit, nullptr, 52, 124, 20, 12, kAmountEdit},
        {kNone, Kind::Text, u"00円", 76, 124, 20, 12},
        {EntryCtl::Minus, Kind::CheckBox, u"マイナス(&N)", 108, 124, 50, 10,
         dlg::VCenter | dlg::TabStop},
        {EntryCtl::Plays, Kind::PushButton, u"稼働記録(&V)...", 8, 148, 64, 16,
         dlg::TabStop | dlg::Disabled},
        {EntryCtl::PlaysNote, Kind::Text, nullptr, 100, 86, 72, 34, dlg::WordWrap | dlg::Hidden},
        {EntryCtl::KeepShown, Kind::CheckBox, u"このウィンドウを常に表示する(&S)", 8, 172, 108, 10,
         dlg::TabStop},
        {EntryCtl::Ok, Kind::DefPushButton, u"OK", 120, 148, 56, 16, dlg::Disabled | dlg::TabStop},
        {EntryCtl::Cancel, Kind::PushButton, u"ｷｬﾝｾﾙ", 120, 168, 56, 16, dlg::TabStop},
        {kNone, Kind::Text, u"日付:", 16, 8, 20, 12},
        {EntryCtl::Date, Kind::Edit, nullptr, 52, 8, 80, 12,
         dlg::ReadOnly | dlg::AlignCenter | dlg::TabStop},
        {kNone, Kind::SunkenFrame, nullptr, 4, 24, 176, 1},
        {kNone, Kind::GroupBox, u"入力方法(&I):", 8, 32, 168, 40},
        {EntryCtl::MethodAmounts, Kind::Radio, u"「回収額」・「投資額」を入力する（推奨）", 12, 44,
         144, 12, dlg::Group | dlg::VCenter},
        {EntryCtl::MethodBalance, Kind::Radio, u"「収支」を入力する", 12, 56, 69, 10, dlg::VCenter},
};

// A field's value: its leading digits as a decimal number, 0 when there are none. Text that did
// not come from typing may be longer than four digits; it saturates instead of overflowing.
int ValueOf(const QLineEdit *edit)
{
    qint64 value = 0;
    for (const QChar c : edit->text()) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + (c.unicode() - '0');
        if (value > std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return int(value);
}

} // namespace

CDailyInputDlg::CDailyInputDlg(QWidget *owner, CDiarySession &session, CPrompt &prompt,
                               EntryMethod defaultMethod)
    : QDialog(owner)
    , m_session(&session)
    , m_prompt(prompt)
    , m_defaultMethod(defaultMethod)
{ }

CDailyInputDlg::~CDailyInputDlg()
{
    // Destroyed together with its owner while still open: the position is kept all the same, and
    // the session no longer asks a window that is gone.
    if (IsOpen()) {
        OnDestroy();
        if (m_session)
            m_session->DetachEntry();
    }
}

QWidget *CDailyInputDlg::Open(QWidget *owner, CDiarySession &session, CPrompt &prompt,
                              EntryMethod defaultMethod)
{
    auto *window = new CDailyInputDlg(owner, session, prompt, defaultMethod);
    if (window->Create())
        return window;
    delete window;
    return nullptr;
}

bool CDailyInputDlg::Create()
{
    if (m_controls || !m_session)
        return false;

    setWindowTitle(QStringLiteral("実績入力"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setModal(false);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    m_controls = std::make_unique<dlg::Controls>(dlg::Build(this, kTemplate, units));
    setFixedSize(dlg::ToPixels(units, 186, 191));

    m_keepShown = m_controls->get<QCheckBox>(EntryCtl::KeepShown);
    m_ok = m_controls->get<QPushButton>(EntryCtl::Ok);
    m_dateField = m_controls->get<QLineEdit>(EntryCtl::Date);
    m_collected = m_controls->get<QLineEdit>(EntryCtl::Collected);
    m_invested = m_controls->get<QLineEdit>(EntryCtl::Invested);
    m_balance = m_controls->get<QLineEdit>(EntryCtl::Balance);
    m_minus = m_controls->get<QCheckBox>(EntryCtl::Minus);
    m_methodAmounts = m_controls->get<QRadioButton>(EntryCtl::MethodAmounts);
    m_methodBalance = m_controls->get<QRadioButton>(EntryCtl::MethodBalance);
    m_plays = m_controls->get<QPushButton>(EntryCtl::Plays);
    m_playsNote = m_controls->get<QLabel>(EntryCtl::PlaysNote);

    m_commands = std::make_unique<CButtonCommands>();
    m_commands->Connect(m_ok, [this] { OnOK(); });
    m_commands->Connect(m_controls->get<QPushButton>(EntryCtl::Cancel), [this] { OnCancel(); });
    m_commands->Connect(m_methodAmounts, [this] { OnMethodAmounts(); });
    m_commands->Connect(m_methodBalance, [this] { OnMethodBalance(); });
    m_commands->Connect(m_minus, [this] { OnBalanceChange(); });
    m_commands->Connect(m_plays, [this] { OnPlays(); });
    // textChanged also fires for programmatic texts, as the change notification of an edit
    // does; ShowDay relies on that order of effects.
    connect(m_invested, &QLineEdit::textChanged, this, &CDailyInputDlg::OnAmountChange);
    connect(m_collected, &QLineEdit::textChanged, this, &CDailyInputDlg::OnAmountChange);
    connect(m_balance, &QLineEdit::textChanged, this, &CDailyInputDlg::OnBalanceChange);
    connect(m_session, &CDiarySession::entryDayChanged, this, &CDailyInputDlg::ShowDay);
    connect(m_session, &CDiarySession::entryApplyRequested, this,
            &CDailyInputDlg::ApplyPendingUnasked);
    connect(m_session, &CDiarySession::entryCloseRequested, this, &CDailyInputDlg::CloseUnasked);
    // The sessions window changed the day shown: its sums, or an ordinary day again.
    connect(&m_session->Plays(), &CPlayDiary::sessionsChanged, this, [this](int date) {
        if (IsOpen() && m_dayShown && date == m_date)
            ShowDayFocused(date, !m_playsWindow);
    });

    OnInitDialog();
    show();
    m_session->AttachEntry([this] { return ConfirmChanges(); });
    return true;
}

void CDailyInputDlg::OnInitDialog()
{
    m_date = 0;
    RestoreWindowPosition(*this, &CSettings::dailyInputPos);
    for (QLineEdit *edit : {m_collected, m_invested, m_balance})
        edit->setMaxLength(kAmountDigits);
}

const DayResult *CDailyInputDlg::ShownDay() const
{
    if (!m_session)
        return nullptr;
    const int index = m_session->Book().IndexOf(m_date);
    return index >= 0 ? &m_session->Book().Day(index) : nullptr;
}

void CDailyInputDlg::ResetFields(bool enable)
{
    for (QLineEdit *edit : {m_dateField, m_collected, m_invested, m_balance}) {
        edit->setText(QString());
        // A stored amount longer than the typing limit widened its field; typing is limited again.
        if (edit != m_dateField)
            edit->setMaxLength(kAmountDigits);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{m_methodAmounts, m_methodBalance,
                                                       m_collected, m_invested, m_balance, m_minus})
        w->setEnabled(enable);
    m_plays->setEnabled(false);
    m_playsNote->hide();
}

void CDailyInputDlg::UpdateEntryMethod()
{
    const bool amounts = m_methodAmounts->isChecked();
    m_collected->setReadOnly(!amounts);
    m_invested->setReadOnly(!amounts);
    m_balance->setReadOnly(amounts);
    m_minus->setEnabled(!amounts);
}

void CDailyInputDlg::SetNumber(QLineEdit *edit, qint64 value)
{
    const QString text = QString::number(value);
    // The limit is for typing only; a longer stored amount must be shown whole, not cut.
    if (text.size() > edit->maxLength())
        edit->setMaxLength(int(text.size()));
    edit->setText(text);
}

void CDailyInputDlg::ShowDay(int dateKey)
{
    ShowDayFocused(dateKey, true);
}

void CDailyInputDlg::ShowDayFocused(int dateKey, bool focus)
{
    if (!IsOpen() || !m_session)
        return;
    const int index = m_session->Book().IndexOf(dateKey);
    m_fromPlays = false;
    m_dayShown = index >= 0;
    if (index < 0) {
        ResetFields(false);
    } else {
        ResetFields(true);
        m_date = dateKey;
        const DayResult &day = m_session->Book().Day(index);
        bool amounts = day.entryMethod == EntryMethod::Amounts;
        if (day.entryMethod == EntryMethod::None)
            amounts = m_defaultMethod == EntryMethod::Amounts;
        qint64 collected = day.collected;
        qint64 invested = day.invested;
        qint64 balance = day.balance;
        // A day with sessions shows what they add up to, the way the data file gets it.
        const QList<PlaySession> sessions = m_session->Plays().SessionsOfDay(dateKey);
        if (!sessions.isEmpty()) {
            m_fromPlays = true;
            amounts = true;
            collected = invested = 0;
            for (const PlaySession &s : sessions) {
                collected += s.collected;
                invested += s.invested;
            }
            balance = collected - invested;
        }
        {
            const auto quiet = m_commands->Quiet();
            // Checking one radio of the exclusive pair unchecks the other.
            (amounts ? m_methodAmounts : m_methodBalance)->setChecked(true);
        }
        UpdateEntryMethod();
        m_dateField->setText(day.dateText);
        SetNumber(m_collected, collected);
        SetNumber(m_invested, invested);
        {
            const auto quiet = m_commands->Quiet();
            m_minus->setChecked(balance < 0);
        }
        SetNumber(m_balance, qAbs(balance));
        ShowPlaysState();
        if (focus) {
            activateWindow();
            FocusDay();
        }
    }
    SetChanged(false);
}

void CDailyInputDlg::UpdateBalance()
{
    const qint64 d = qint64(ValueOf(m_collected)) - ValueOf(m_invested);
    {
        const auto quiet = m_commands->Quiet();
        m_minus->setChecked(d < 0);
    }
    SetNumber(m_balance, qAbs(d));
}

bool CDailyInputDlg::IsChanged() const
{
    // Enabled in itself: the state holds while the owner disables this whole window.
    return m_ok->isEnabledTo(this);
}

void CDailyInputDlg::SetChanged(bool changed)
{
    m_ok->setEnabled(changed);
}

void CDailyInputDlg::OnAmountChange()
{
    UpdateBalance();
    SetChanged(true);
}

void CDailyInputDlg::OnBalanceChange()
{
    SetChanged(true);
}

void CDailyInputDlg::OnMethodAmounts()
{
    UpdateEntryMethod();
    // The balance follows the amounts as soon as they are the method: a day stored by its balance
    // alone must not keep that balance beside amounts that contradict it.
    if (ShownDay())
        UpdateBalance();
    if (const DayResult *day = ShownDay()) {
        if (day->entryMethod != EntryMethod::None && day->entryMethod != EntryMethod::Amounts)
            SetChanged(true);
    }
}

void CDailyInputDlg::OnMethodBalance()
{
    UpdateEntryMethod();
    if (const DayResult *day = ShownDay(); day && day->entryMethod == EntryMethod::Amounts)
        SetChanged(true);
}

void CDailyInputDlg::ApplyChanges()
{
    // OK is only ever enabled with a day shown; a day the book no longer holds takes nothing.
    if (!ShownDay()) {
        SetChanged(false);
        return;
    }
    const int date = m_date;
    const int balance = ValueOf(m_balance);
    m_session->EnterDay(
            date, m_methodAmounts->isChecked() ? EntryMethod::Amounts : EntryMethod::Balance,
            ValueOf(m_collected), ValueOf(m_invested), m_minus->isChecked() ? -balance : balance);
    SetChanged(false);
    ShowDay(date);
    if (!m_keepShown->isChecked())
        CloseWindow();
}

void CDailyInputDlg::ApplyPendingUnasked()
{
    // Nothing typed is lost when the program has to end: it is entered as it stands.
    if (IsOpen() && IsChanged())
        ApplyChanges();
}

void CDailyInputDlg::CloseUnasked()
{
    if (!IsOpen())
        return;
    SetChanged(false);
    CloseWindow();
}

void CDailyInputDlg::DiscardChanges()
{
    SetChanged(false);
    if (!m_keepShown->isChecked())
        CloseWindow();
}

EntryAnswer CDailyInputDlg::ConfirmChanges()
{
    if (!IsOpen())
        return EntryAnswer::Unchanged;
    if (!IsChanged()) {
        DiscardChanges();
        return EntryAnswer::Unchanged;
    }
    QWidget *owner = parentWidget();
    if (owner)
        owner->setEnabled(false);
    const QMessageBox::StandardButton answer
            = m_prompt.Show(this, msg::ApplyChanges(), QMessageBox::Warning,
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (owner)
        owner->setEnabled(true);
    switch (answer) {
    case QMessageBox::Yes:
        ApplyChanges();
        return EntryAnswer::Applied;
    case QMessageBox::No:
        DiscardChanges();
        return EntryAnswer::Discarded;
    default:
        // Cancel, and closing the box without an answer.
        return EntryAnswer::Cancelled;
    }
}

void CDailyInputDlg::accept()
{
    OnOK();
}

void CDailyInputDlg::reject()
{
    OnCancel();
}

void CDailyInputDlg::OnOK()
{
    if (IsOpen())
        ApplyChanges();
}

void CDailyInputDlg::OnCancel()
{
    if (!IsOpen())
        return;
    const bool keepShown = m_keepShown->isChecked();
    if (ConfirmChanges() != EntryAnswer::Cancelled && keepShown)
        CloseWindow();
}

void CDailyInputDlg::CloseWindow()
{
    if (m_session)
        m_session->DetachEntry();
    DestroyWindow();
}

void CDailyInputDlg::DestroyWindow()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    OnDestroy();
    hide();
    // Callers up the stack (the session's question, a button's click) still run on this object.
    deleteLater();
}

void CDailyInputDlg::OnDestroy()
{
    SaveWindowPosition(*this, &CSettings::dailyInputPos);
}

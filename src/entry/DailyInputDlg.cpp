#include "entry/DailyInputDlg.h"

#include "app/DialogTemplate.h"
#include "app/Profile.h"
#include "app/Prompt.h"
#include "app/Settings.h"
#include "data/ResultBook.h"
#include "entry/DailyInputHost.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <limits>

namespace {

using dlg::Kind;

// Amounts are typed with at most this many digits: 0 to 9999 hundreds of yen.
constexpr int kAmountDigits = 4;
constexpr unsigned kAmountEdit = dlg::Digits | dlg::AlignRight | dlg::TabStop;

// Template 104, 186 x 191 dialog units.
const dlg::Item kTemplate[] = {
        {-1, Kind::GroupBox, u"実績", 8, 76, 168, 64},
        {-1, Kind::Text, u"回収額(&P):", 16, 88, 32, 12, dlg::VCenter},
        {CDailyInputDlg::IDC_COLLECTED, Kind::Edit, nullptr, 52, 88, 20, 12, kAmountEdit},
        {-1, Kind::Text, u"00円", 76, 88, 20, 12},
        {-1, Kind::Text, u"投資額(&M):", 16, 104, 32, 12},
        {CDailyInputDlg::IDC_INVESTED, Kind::Edit, nullptr, 52, 104, 20, 12, kAmountEdit},
        {-1, Kind::Text, u"00円", 76, 104, 20, 12},
        {-1, Kind::SunkenFrame, nullptr, 16, 120, 152, 1},
        {-1, Kind::Text, u"収支(&T):", 16, 124, 32, 12},
        {CDailyInputDlg::IDC_BALANCE, Kind::Edit, nullptr, 52, 124, 20, 12, kAmountEdit},
        {-1, Kind::Text, u"00円", 76, 124, 20, 12},
        {CDailyInputDlg::IDC_MINUS, Kind::CheckBox, u"マイナス(&N)", 108, 124, 50, 10,
         dlg::VCenter | dlg::TabStop},
        {CDailyInputDlg::IDC_KEEP_SHOWN, Kind::CheckBox, u"このウィンドウを常に表示する(&S)", 8,
         172, 108, 10, dlg::TabStop},
        {1, Kind::DefPushButton, u"OK", 120, 148, 56, 16, dlg::Disabled | dlg::TabStop},
        {2, Kind::PushButton, u"ｷｬﾝｾﾙ", 120, 168, 56, 16, dlg::TabStop},
        {-1, Kind::Text, u"日付:", 16, 8, 20, 12},
        {CDailyInputDlg::IDC_DATE, Kind::Edit, nullptr, 52, 8, 80, 12,
         dlg::ReadOnly | dlg::AlignCenter | dlg::TabStop},
        {-1, Kind::SunkenFrame, nullptr, 4, 24, 176, 1},
        {-1, Kind::GroupBox, u"入力方法(&I):", 8, 32, 168, 40},
        {CDailyInputDlg::IDC_METHOD_AMOUNTS, Kind::Radio,
         u"「回収額」・「投資額」を入力する（推奨）", 12, 44, 144, 12, dlg::Group | dlg::VCenter},
        {CDailyInputDlg::IDC_METHOD_BALANCE, Kind::Radio, u"「収支」を入力する", 12, 56, 69, 10,
         dlg::VCenter},
};

const QString kSection = QStringLiteral("DailyInput");
const QString kPosX = QStringLiteral("Pos_X");
const QString kPosY = QStringLiteral("Pos_Y");

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

CDailyInputDlg::CDailyInputDlg(CDailyInputHost *host, CPrompt &prompt)
    : QDialog(host ? host->HostWindow() : nullptr)
    , m_parent(host)
    , m_prompt(prompt)
{ }

CDailyInputDlg::~CDailyInputDlg()
{
    // Destroyed together with the host window while still open: the position is kept all the
    // same, and the host is not told (it is going away itself).
    if (m_controls && !m_destroyed)
        OnDestroy();
}

bool CDailyInputDlg::Create(CResultBook *book, const CSettings *settings)
{
    if (m_controls || !m_parent || !book)
        return false;
    m_book = book;
    m_settings = settings;

    setWindowTitle(QStringLiteral("実績入力"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setModal(false);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    m_controls = std::make_unique<dlg::Controls>(dlg::Build(this, kTemplate, units));
    setFixedSize(dlg::ToPixels(units, 186, 191));

    m_keepShown = m_controls->get<QCheckBox>(IDC_KEEP_SHOWN);
    m_ok = m_controls->get<QPushButton>(1);
    m_date = m_controls->get<QLineEdit>(IDC_DATE);
    m_collected = m_controls->get<QLineEdit>(IDC_COLLECTED);
    m_invested = m_controls->get<QLineEdit>(IDC_INVESTED);
    m_balance = m_controls->get<QLineEdit>(IDC_BALANCE);
    m_minus = m_controls->get<QCheckBox>(IDC_MINUS);
    m_methodAmounts = m_controls->get<QRadioButton>(IDC_METHOD_AMOUNTS);
    m_methodBalance = m_controls->get<QRadioButton>(IDC_METHOD_BALANCE);

    connect(m_ok, &QPushButton::clicked, this, &CDailyInputDlg::OnOK);
    connect(m_controls->get<QPushButton>(2), &QPushButton::clicked, this,
            &CDailyInputDlg::OnCancel);
    connect(m_methodAmounts, &QRadioButton::clicked, this, &CDailyInputDlg::OnMethodAmounts);
    connect(m_methodBalance, &QRadioButton::clicked, this, &CDailyInputDlg::OnMethodBalance);
    // textChanged also fires for programmatic texts, as the change notification of an edit
    // does; ShowDay relies on that order of effects.
    connect(m_invested, &QLineEdit::textChanged, this, &CDailyInputDlg::OnAmountChange);
    connect(m_collected, &QLineEdit::textChanged, this, &CDailyInputDlg::OnAmountChange);
    connect(m_balance, &QLineEdit::textChanged, this, &CDailyInputDlg::OnBalanceChange);
    connect(m_minus, &QCheckBox::clicked, this, &CDailyInputDlg::OnBalanceChange);

    OnInitDialog();
    show();
    return true;
}

void CDailyInputDlg::OnInitDialog()
{
    m_index = -1;
    const int x = GetProfileInt(kSection, kPosX, 0);
    const int y = GetProfileInt(kSection, kPosY, 0);
    if (x != 0 || y != 0) {
        move(x, y);
        raise();
    }
    for (QLineEdit *edit : {m_collected, m_invested, m_balance})
        edit->setMaxLength(kAmountDigits);
}

int CDailyInputDlg::FindDay(const QString &dateText) const
{
    for (int i = 0; i < m_book->dayCount; ++i) {
        if (m_book->days[i].dateText == dateText)
            return i;
    }
    return -1;
}

void CDailyInputDlg::ResetFields(bool enable)
{
    for (QLineEdit *edit : {m_date, m_collected, m_invested, m_balance}) {
        edit->setText(QString());
        // A stored amount longer than the typing limit widened its field; typing is limited again.
        if (edit != m_date)
            edit->setMaxLength(kAmountDigits);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{m_methodAmounts, m_methodBalance,
                                                       m_collected, m_invested, m_balance, m_minus})
        w->setEnabled(enable);
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

void CDailyInputDlg::ShowDay(const QString &dateText)
{
    if (!m_controls || m_destroyed)
        return;
    const int index = FindDay(dateText);
    if (index < 0) {
        ResetFields(false);
    } else {
        ResetFields(true);
        m_index = index;
        const DayResult &day = m_book->days[index];
        // Checking one radio of the exclusive pair unchecks the other.
        bool amounts = day.entryMethod == 0;
        if (day.entryMethod == -1)
            amounts = !m_settings || !m_settings->balanceByDefault;
        (amounts ? m_methodAmounts : m_methodBalance)->setChecked(true);
        UpdateEntryMethod();
        m_date->setText(day.dateText);
        SetNumber(m_collected, day.collected);
        SetNumber(m_invested, day.invested);
        m_minus->setChecked(day.balance < 0);
        SetNumber(m_balance, qAbs(qint64(day.balance)));

        QLineEdit *field = amounts ? m_collected : m_balance;
        activateWindow();
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
    }
    SetChanged(false);
}

void CDailyInputDlg::UpdateBalance()
{
    const qint64 d = qint64(ValueOf(m_collected)) - ValueOf(m_invested);
    m_minus->setChecked(d < 0);
    SetNumber(m_balance, qAbs(d));
}

bool CDailyInputDlg::IsChanged() const
{
    // Enabled in itself: the state holds while the host disables this whole window.
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
    if (m_index >= 0) {
        const int stored = m_book->days[m_index].entryMethod;
        if (stored != -1 && stored != 0)
            SetChanged(true);
    }
}

void CDailyInputDlg::OnMethodBalance()
{
    UpdateEntryMethod();
    if (m_index >= 0 && m_book->days[m_index].entryMethod == 0)
        SetChanged(true);
}

void CDailyInputDlg::ApplyChanges()
{
    // OK is only ever enabled with a day shown; a stale index must not write outside the book.
    if (m_index < 0 || m_index >= m_book->dayCount) {
        SetChanged(false);
        return;
    }
    const int index = m_index;
    DayResult &day = m_book->days[index];
    if (m_methodAmounts->isChecked()) {
        day.entryMethod = 0;
        day.collected = ValueOf(m_collected);
        day.invested = ValueOf(m_invested);
    } else {
        day.entryMethod = 1;
        day.collected = 0;
        day.invested = 0;
    }
    const int balance = ValueOf(m_balance);
    day.balance = m_minus->isChecked() ? -balance : balance;
    if (day.balance == 0 && day.collected == 0 && day.invested == 0)
        day.entryMethod = -1;
    m_book->Recalculate(index);
    m_book->SetModified();

    SetChanged(false);
    ShowDay(QString(day.dateText));
    m_parent->DayResultChanged(index);
    if (!m_keepShown->isChecked())
        CloseWindow();
}

void CDailyInputDlg::DiscardChanges()
{
    SetChanged(false);
    if (!m_keepShown->isChecked())
        CloseWindow();
}

int CDailyInputDlg::ConfirmChanges()
{
    if (!m_controls || m_destroyed)
        return Unchanged;
    if (!IsChanged()) {
        DiscardChanges();
        return Unchanged;
    }
    QWidget *host = m_parent->HostWindow();
    if (host)
        host->setEnabled(false);
    const QMessageBox::StandardButton answer = m_prompt.Show(
            this, QStringLiteral("表示されているデータは変更されています。変更を有効にしますか？"),
            QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (host)
        host->setEnabled(true);
    switch (answer) {
    case QMessageBox::Yes:
        ApplyChanges();
        return Applied;
    case QMessageBox::No:
        DiscardChanges();
        return Discarded;
    default:
        // Cancel, and closing the box without an answer.
        return Cancelled;
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
    if (!m_controls || m_destroyed)
        return;
    ApplyChanges();
}

void CDailyInputDlg::OnCancel()
{
    if (!m_controls || m_destroyed)
        return;
    const bool keepShown = m_keepShown->isChecked();
    const int r = ConfirmChanges();
    if (r != Cancelled && keepShown)
        CloseWindow();
}

void CDailyInputDlg::CloseWindow()
{
    m_parent->DailyInputClosed();
    DestroyWindow();
}

void CDailyInputDlg::DestroyWindow()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    OnDestroy();
    hide();
    // Callers up the stack (the host's ConfirmChanges, a button's click) still run on this object.
    deleteLater();
}

void CDailyInputDlg::OnDestroy()
{
    const QPoint topLeft = pos(); // the frame's top left, as move() takes it
    WriteProfileInt(kSection, kPosX, topLeft.x());
    WriteProfileInt(kSection, kPosY, topLeft.y());
}

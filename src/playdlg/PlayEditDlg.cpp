#include "playdlg/PlayEditDlg.h"

#include "dialogkit/DialogTemplate.h"
#include "dialogkit/Prompt.h"
#include "session/PlayDiary.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>

namespace {

using dlg::Kind;
using dlg::NoId;
using D = CPlayEditDlg;

constexpr unsigned kField = dlg::TabStop;
constexpr unsigned kAmount = dlg::TabStop | dlg::AlignRight;
constexpr unsigned kLabel = dlg::VCenter;

// 200 x 150 dialog units; template order is tab order, and each label's mnemonic focuses the
// field after it. The amounts are typed in hundreds of yen, as in the daily input window.
const dlg::Item kTemplate[] = {
        {NoId, Kind::Text, u"店舗(&S):", 8, 8, 42, 12, kLabel},
        {D::IdStore, Kind::Edit, nullptr, 52, 8, 140, 12, kField},
        {NoId, Kind::Text, u"機種(&K):", 8, 24, 42, 12, kLabel},
        {D::IdMachine, Kind::Edit, nullptr, 52, 24, 140, 12, kField},
        {NoId, Kind::Text, u"開始(&B):", 8, 40, 42, 12, kLabel},
        {D::IdStart, Kind::Edit, nullptr, 52, 40, 32, 12, kField | dlg::AlignCenter},
        {NoId, Kind::Text, u"終了(&E):", 104, 40, 28, 12, kLabel},
        {D::IdEnd, Kind::Edit, nullptr, 136, 40, 32, 12, kField | dlg::AlignCenter},
        {NoId, Kind::Text, u"投資額(&M):", 8, 56, 42, 12, kLabel},
        {D::IdInvested, Kind::Edit, nullptr, 52, 56, 28, 12, kAmount},
        {NoId, Kind::Text, u"00円", 82, 56, 18, 12, kLabel},
        {NoId, Kind::Text, u"回収額(&P):", 104, 56, 30, 12, kLabel},
        {D::IdCollected, Kind::Edit, nullptr, 136, 56, 28, 12, kAmount},
        {NoId, Kind::Text, u"00円", 166, 56, 18, 12, kLabel},
        {NoId, Kind::Text, u"メモ(&O):", 8, 72, 42, 12, kLabel},
        {D::IdMemo, Kind::Custom, nullptr, 52, 72, 140, 48, kField},
        {D::IdOk, Kind::DefPushButton, u"OK", 84, 128, 52, 14, dlg::TabStop},
        {D::IdCancel, Kind::PushButton, u"ｷｬﾝｾﾙ", 140, 128, 52, 14, dlg::TabStop},
};

QCompleter *MakeCompleter(const QStringList &names, QLineEdit *edit)
{
    // Most recent first, in the order given; a name matches wherever the typed text stands in it.
    auto *completer = new QCompleter(names, edit);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setModelSorting(QCompleter::UnsortedModel);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    edit->setCompleter(completer);
    return completer;
}

bool IsEnter(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

CPlayEditDlg::CPlayEditDlg(QWidget *owner, CPlayDiary &plays, const PlaySession &session,
                           CPrompt &prompt, PlayClock clock)
    : QDialog(owner)
    , m_plays(plays)
    , m_session(session)
    , m_prompt(prompt)
    , m_clock(clock ? std::move(clock) : PlayClock(&QDateTime::currentDateTime))
{
    setWindowTitle(IsNew() ? QStringLiteral("稼働の追加") : QStringLiteral("稼働の編集"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    m_controls = std::make_unique<dlg::Controls>(
            dlg::Build(this, kTemplate, units, [](const dlg::Item &, QWidget *client) {
                auto *memo = new QPlainTextEdit(client);
                memo->setTabChangesFocus(true);
                memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
                return memo;
            }));
    setFixedSize(dlg::ToPixels(units, 200, 150));

    m_store = m_controls->get<QLineEdit>(IdStore);
    m_machine = m_controls->get<QLineEdit>(IdMachine);
    m_start = m_controls->get<QLineEdit>(IdStart);
    m_end = m_controls->get<QLineEdit>(IdEnd);
    m_invested = m_controls->get<QLineEdit>(IdInvested);
    m_collected = m_controls->get<QLineEdit>(IdCollected);
    m_memo = m_controls->get<QPlainTextEdit>(IdMemo);
    m_memo->installEventFilter(this);

    for (QCompleter *completer :
         {MakeCompleter(m_plays.Stores(), m_store), MakeCompleter(m_plays.Machines(), m_machine)})
        completer->popup()->installEventFilter(this);

    connect(m_controls->get<QPushButton>(IdOk), &QPushButton::clicked, this, [this] { Save(); });
    connect(m_controls->get<QPushButton>(IdCancel), &QPushButton::clicked, this, &QDialog::reject);
    Fill();
    m_store->setFocus(Qt::OtherFocusReason);
    m_store->selectAll();
}

CPlayEditDlg::~CPlayEditDlg() = default;

QWidget *CPlayEditDlg::control(ControlId id) const
{
    return m_controls->widget(id);
}

void CPlayEditDlg::Fill()
{
    const PlaySession &s = m_session;
    m_store->setText(s.store);
    m_machine->setText(s.machine);
    int start = s.startMinute;
    // A session entered on the day it is played most likely starts now.
    const QDateTime now = m_clock();
    const QDate today = now.date();
    if (IsNew() && start == PlaySession::kNoTime
        && s.day == today.year() * 10000 + today.month() * 100 + today.day())
        start = now.time().hour() * 60 + now.time().minute();
    m_start->setText(PlayInput::TimeText(start));
    m_end->setText(PlayInput::TimeText(s.endMinute));
    if (!IsNew()) {
        m_invested->setText(QString::number(s.invested));
        m_collected->setText(QString::number(s.collected));
    }
    m_memo->setPlainText(s.memo);
}

bool CPlayEditDlg::Refuse(QWidget *field, const QString &problem)
{
    m_prompt.Show(this, problem, QMessageBox::Warning, QMessageBox::Ok);
    field->setFocus(Qt::OtherFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        edit->selectAll();
    return false;
}

bool CPlayEditDlg::ReadFields(PlaySession *session)
{
    PlaySession s = *session;
    QString problem = PlayInput::CheckStore(m_store->text(), &s.store);
    if (!problem.isEmpty())
        return Refuse(m_store, problem);
    problem = PlayInput::CheckMachine(m_machine->text(), &s.machine);
    if (!problem.isEmpty())
        return Refuse(m_machine, problem);
    problem = PlayInput::ParseTime(QStringLiteral("開始"), m_start->text(), &s.startMinute);
    if (!problem.isEmpty())
        return Refuse(m_start, problem);
    problem = PlayInput::ParseTime(QStringLiteral("終了"), m_end->text(), &s.endMinute);
    if (!problem.isEmpty())
        return Refuse(m_end, problem);
    problem = PlayInput::ParseAmount(QStringLiteral("投資額"), m_invested->text(), &s.invested);
    if (!problem.isEmpty())
        return Refuse(m_invested, problem);
    problem = PlayInput::ParseAmount(QStringLiteral("回収額"), m_collected->text(), &s.collected);
    if (!problem.isEmpty())
        return Refuse(m_collected, problem);
    problem = PlayInput::CheckMemo(m_memo->toPlainText(), &s.memo);
    if (!problem.isEmpty())
        return Refuse(m_memo, problem);
    *session = s;
    return true;
}

bool CPlayEditDlg::Save()
{
    // A second Enter while a box of the first is up stores nothing twice.
    if (m_saving || !isVisible())
        return false;
    const QScopedValueRollback<bool> saving(m_saving, true);
    PlaySession s = m_session;
    if (!ReadFields(&s))
        return false;
    QString problem;
    const bool done = IsNew() ? m_plays.Add(s, &problem) : m_plays.Update(s, &problem);
    // A failure after the database took the change (the data file could not be saved; the next
    // start writes the day) leaves the session stored: saving it again would add it twice. Such
    // a failure says nothing here, the diary tells of it.
    const bool stored = done || (IsNew() ? s.id != 0 : problem.isEmpty());
    if (!problem.isEmpty())
        m_prompt.Show(this, problem, QMessageBox::Warning, QMessageBox::Ok);
    if (!stored)
        return false;
    m_session = s;
    emit saved(s.id);
    accept();
    return true;
}

bool CPlayEditDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == m_memo) {
        // Enter is a line break in the memo; Ctrl+Enter saves.
        if (IsEnter(key) && (key->modifiers() & Qt::ControlModifier)) {
            Save();
            return true;
        }
        return false;
    }
    // The completion list of the store or the machine: Enter on a name takes that name; Enter
    // without one saves, as it does in the field itself.
    auto *popup = qobject_cast<QAbstractItemView *>(watched);
    if (popup && IsEnter(key) && !popup->currentIndex().isValid()) {
        popup->hide();
        QMetaObject::invokeMethod(
                this, [this] { Save(); }, Qt::QueuedConnection);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

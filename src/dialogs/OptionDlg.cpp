#include "dialogs/OptionDlg.h"

#include "dialogkit/DialogTemplate.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

using dlg::Kind;
using dlg::NoId;

// The options dialog, 215 x 171 dialog units; template order is tab order.
const dlg::Item kTemplate[] = {
        {NoId, Kind::GroupBox, u"起動時の動作:", 8, 8, 196, 28, dlg::Group},
        {COptionDlg::IdShowDailyInput, Kind::CheckBox, u"「実績入力」ウィンドウを表示する(&S)", 12,
         20, 118, 10, dlg::TabStop},
        {NoId, Kind::GroupBox, u"年の基準(&Y):", 8, 40, 196, 28, dlg::Group},
        {COptionDlg::IdFromThisMonth, Kind::Radio, u"今月", 48, 52, 28, 10, dlg::VCenter},
        {COptionDlg::IdFromJanuary, Kind::Radio, u"1月", 16, 52, 20, 10, dlg::VCenter},
        {NoId, Kind::GroupBox, u"「実績入力」入力方法の既定値(&J):", 8, 72, 196, 68, dlg::Group},
        {COptionDlg::IdEnterAmounts, Kind::Radio, u"「回収額」・「投資額」を入力する（推奨）", 12,
         84, 127, 10},
        {COptionDlg::IdEnterBalance, Kind::Radio, u"「収支」を入力する", 12, 96, 69, 10},
        {COptionDlg::IdOk, Kind::DefPushButton, u"OK", 92, 148, 54, 16, dlg::TabStop},
        {COptionDlg::IdCancel, Kind::PushButton, u"ｷｬﾝｾﾙ", 152, 148, 52, 16, dlg::TabStop},
        {NoId, Kind::Text, u"「回収額」・「投資額」を入力しない日がある場合、「月次一覧」の", 20,
         112, 180, 8},
        {NoId, Kind::Text, u"「投資/回収」と「収支」が一致しなくなります。", 20, 120, 172, 8},
        {NoId, Kind::Text, u"※", 12, 112, 8, 8},
};

} // namespace

COptionDlg::COptionDlg(CSettings &settings, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setWindowTitle(QStringLiteral("オプション"));
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    m_controls = std::make_unique<dlg::Controls>(dlg::Build(this, kTemplate, units));
    setFixedSize(dlg::ToPixels(units, 215, 171));

    m_showDailyInput = m_controls->get<QCheckBox>(IdShowDailyInput);
    m_fromThisMonth = m_controls->get<QRadioButton>(IdFromThisMonth);
    m_fromJanuary = m_controls->get<QRadioButton>(IdFromJanuary);
    m_enterAmounts = m_controls->get<QRadioButton>(IdEnterAmounts);
    m_enterBalance = m_controls->get<QRadioButton>(IdEnterBalance);
    // The choices are read only when OK is pressed, so a click and an assistive technology's
    // toggle of a radio or the check box have the same effect.
    connect(m_controls->get<QPushButton>(IdOk), &QPushButton::clicked, this, &COptionDlg::accept);
    connect(m_controls->get<QPushButton>(IdCancel), &QPushButton::clicked, this,
            &COptionDlg::reject);
}

COptionDlg::~COptionDlg() = default;

QWidget *COptionDlg::control(ControlId id) const
{
    return m_controls->widget(id);
}

int COptionDlg::exec()
{
    OnInitDialog();
    return QDialog::exec();
}

void COptionDlg::OnInitDialog()
{
    (m_settings.fromJanuary ? m_fromJanuary : m_fromThisMonth)->setChecked(true);
    m_showDailyInput->setChecked(m_settings.showDailyInput);
    (m_settings.balanceByDefault ? m_enterBalance : m_enterAmounts)->setChecked(true);
    m_showDailyInput->setFocus(Qt::OtherFocusReason);
}

void COptionDlg::accept()
{
    m_settings.fromJanuary = m_fromJanuary->isChecked();
    m_settings.showDailyInput = m_showDailyInput->isChecked();
    m_settings.balanceByDefault = m_enterBalance->isChecked();
    // The unit goes back as it was read.
    m_settings.WriteSection(CSettings::kOptionSection);
    QDialog::accept();
}

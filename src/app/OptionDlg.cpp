#include "app/OptionDlg.h"

#include "app/DialogTemplate.h"
#include "app/Settings.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

enum : int {
    IDC_SHOW_DAILYINPUT = 1022,
    IDC_FROM_THISMONTH = 1020,
    IDC_FROM_JANUARY = 1021,
    IDC_TYPE_AMOUNTS = 1035,
    IDC_TYPE_BALANCE = 1036,
};

using dlg::Kind;

// Template 103, 215 x 171 dialog units.
const dlg::Item kTemplate[] = {
        {-1, Kind::GroupBox, u"起動時の動作:", 8, 8, 196, 28, dlg::Group},
        {IDC_SHOW_DAILYINPUT, Kind::CheckBox, u"「実績入力」ウィンドウを表示する(&S)", 12, 20, 118,
         10, dlg::TabStop},
        {-1, Kind::GroupBox, u"年の基準(&Y):", 8, 40, 196, 28, dlg::Group},
        {IDC_FROM_THISMONTH, Kind::Radio, u"今月", 48, 52, 28, 10, dlg::VCenter},
        {IDC_FROM_JANUARY, Kind::Radio, u"1月", 16, 52, 20, 10, dlg::VCenter},
        {-1, Kind::GroupBox, u"「実績入力」入力方法の既定値(&J):", 8, 72, 196, 68, dlg::Group},
        {IDC_TYPE_AMOUNTS, Kind::Radio, u"「回収額」・「投資額」を入力する（推奨）", 12, 84, 127,
         10},
        {IDC_TYPE_BALANCE, Kind::Radio, u"「収支」を入力する", 12, 96, 69, 10},
        {1, Kind::DefPushButton, u"OK", 92, 148, 54, 16, dlg::TabStop},
        {2, Kind::PushButton, u"ｷｬﾝｾﾙ", 152, 148, 52, 16, dlg::TabStop},
        {-1, Kind::Text, u"「回収額」・「投資額」を入力しない日がある場合、「月次一覧」の", 20, 112,
         180, 8},
        {-1, Kind::Text, u"「投資/回収」と「収支」が一致しなくなります。", 20, 120, 172, 8},
        {-1, Kind::Text, u"※", 12, 112, 8, 8},
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

    connect(m_controls->get<QPushButton>(1), &QPushButton::clicked, this, &COptionDlg::accept);
    connect(m_controls->get<QPushButton>(2), &QPushButton::clicked, this, &COptionDlg::reject);
}

COptionDlg::~COptionDlg() = default;

int COptionDlg::exec()
{
    OnInitDialog();
    return QDialog::exec();
}

void COptionDlg::OnInitDialog()
{
    if (m_settings.fromJanuary)
        m_controls->get<QRadioButton>(IDC_FROM_JANUARY)->setChecked(true);
    else
        m_controls->get<QRadioButton>(IDC_FROM_THISMONTH)->setChecked(true);
    m_controls->get<QCheckBox>(IDC_SHOW_DAILYINPUT)->setChecked(m_settings.showDailyInput);
    if (m_settings.balanceByDefault)
        m_controls->get<QRadioButton>(IDC_TYPE_BALANCE)->setChecked(true);
    else
        m_controls->get<QRadioButton>(IDC_TYPE_AMOUNTS)->setChecked(true);
    if (QWidget *first = m_controls->widget(IDC_SHOW_DAILYINPUT))
        first->setFocus(Qt::OtherFocusReason);
}

void COptionDlg::accept()
{
    m_settings.fromJanuary = m_controls->get<QRadioButton>(IDC_FROM_JANUARY)->isChecked();
    m_settings.showDailyInput = m_controls->get<QCheckBox>(IDC_SHOW_DAILYINPUT)->isChecked();
    m_settings.balanceByDefault = m_controls->get<QRadioButton>(IDC_TYPE_BALANCE)->isChecked();
    // The unit goes back as it was read.
    m_settings.WriteSection(CSettings::kOptionSection);
    QDialog::accept();
}

#include "tools/LimitsDlg.h"

#include "dialogkit/Prompt.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {

using dlg::Kind;
using dlg::NoId;

// The limits, 300 x 150 dialog units; template order is tab order.
const dlg::Item kTemplate[] = {
        {CLimitsDlg::IdLossOn, Kind::CheckBox, u"月の負けの上限(&L)", 8, 10, 110, 10, dlg::TabStop},
        {CLimitsDlg::IdLoss, Kind::Custom, nullptr, 124, 9, 64, 12, dlg::TabStop},
        {NoId, Kind::Text, u"00円", 190, 10, 24, 10, dlg::VCenter},
        {CLimitsDlg::IdInvestOn, Kind::CheckBox, u"月の投資の上限(&I)", 8, 28, 110, 10,
         dlg::TabStop},
        {CLimitsDlg::IdInvest, Kind::Custom, nullptr, 124, 27, 64, 12, dlg::TabStop},
        {NoId, Kind::Text, u"00円", 190, 28, 24, 10, dlg::VCenter},
        {CLimitsDlg::IdDaysOn, Kind::CheckBox, u"月の稼働日数の上限(&D)", 8, 46, 110, 10,
         dlg::TabStop},
        {CLimitsDlg::IdDays, Kind::Custom, nullptr, 124, 45, 64, 12, dlg::TabStop},
        {NoId, Kind::Text, u"日", 190, 46, 24, 10, dlg::VCenter},
        {NoId, Kind::Text,
         u"上限は目安です。入力が止まることも、表示が隠れることもありません。今月が上限の50%、"
         u"75%、90%、100%に達したときに、それぞれ一度お知らせします。",
         8, 64, 284, 28, dlg::WordWrap},
        {CLimitsDlg::IdStanding, Kind::Text, u"", 8, 94, 284, 30, dlg::WordWrap | dlg::Sunken},
        {CLimitsDlg::IdOk, Kind::DefPushButton, u"OK", 176, 128, 56, 16, dlg::TabStop | dlg::Group},
        {CLimitsDlg::IdCancel, Kind::PushButton, u"キャンセル", 236, 128, 56, 16, dlg::TabStop},
};

struct LimitField
{
    bool CSettings::*on;
    int CSettings::*value;
    int maximum;
    const char16_t *name; // what a screen reader calls the value
};

const LimitField kFields[3] = {
        {&CSettings::lossLimitOn, &CSettings::lossLimit, 99999999, u"月の負けの上限 (百円)"},
        {&CSettings::investLimitOn, &CSettings::investLimit, 99999999, u"月の投資の上限 (百円)"},
        {&CSettings::daysLimitOn, &CSettings::daysLimit, 31, u"月の稼働日数の上限 (日)"},
};

const CLimitsDlg::ControlId kOnIds[3]
        = {CLimitsDlg::IdLossOn, CLimitsDlg::IdInvestOn, CLimitsDlg::IdDaysOn};

} // namespace

CLimitsDlg::CLimitsDlg(QWidget *owner, const MonthTotals &thisMonth)
    : QDialog(owner)
    , m_month(thisMonth)
{
    setWindowTitle(QStringLiteral("上限の設定"));
    setModal(true);
    setFont(dlg::DialogFont());
    m_before.ReadSection(QLatin1String(CSettings::kLimitsSection));

    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    m_controls = dlg::Build(this, kTemplate, units, [](const dlg::Item &, QWidget *client) {
        auto *spin = new QSpinBox(client);
        spin->setAlignment(Qt::AlignRight);
        return spin;
    });
    setFixedSize(dlg::ToPixels(units, 300, 150));

    m_standing = m_controls.get<QLabel>(IdStanding);
    m_standing->setAccessibleName(QStringLiteral("今月の状況"));
    for (int k = 0; k < 3; ++k) {
        const LimitField &field = kFields[k];
        m_on[k] = m_controls.get<QCheckBox>(kOnIds[k]);
        m_value[k] = m_controls.get<QSpinBox>(kOnIds[k] + 1);
        m_value[k]->setRange(1, field.maximum);
        m_value[k]->setAccessibleName(QString::fromUtf16(field.name));
        // A stored value out of the range shows as the nearest one the window can store.
        m_value[k]->setValue(m_before.*field.value);
        m_on[k]->setChecked(m_before.*field.on);
        m_value[k]->setEnabled(m_on[k]->isChecked());
        connect(m_on[k], &QCheckBox::toggled, this, [this, k](bool on) {
            m_value[k]->setEnabled(on);
            UpdateStanding();
        });
        connect(m_value[k], &QSpinBox::valueChanged, this, &CLimitsDlg::UpdateStanding);
    }
    connect(m_controls.get<QPushButton>(IdOk), &QPushButton::clicked, this, &CLimitsDlg::accept);
    connect(m_controls.get<QPushButton>(IdCancel), &QPushButton::clicked, this, &QDialog::reject);
    UpdateStanding();
    m_on[0]->setFocus(Qt::OtherFocusReason);
}

QWidget *CLimitsDlg::control(ControlId id) const
{
    return m_controls.widget(id);
}

CSettings CLimitsDlg::Edited() const
{
    CSettings edited = m_before;
    for (int k = 0; k < 3; ++k) {
        edited.*kFields[k].on = m_on[k]->isChecked();
        edited.*kFields[k].value = m_value[k]->value();
    }
    return edited;
}

void CLimitsDlg::UpdateStanding()
{
    QString status = limits::StatusText(Edited(), m_month);
    m_standing->setText(status.isEmpty()
                                ? QStringLiteral("上限は設定されていません。")
                                : status.replace(QStringLiteral("、"), QStringLiteral("\n")));
}

void CLimitsDlg::accept()
{
    CSettings edited = Edited();
    limits::Acknowledge(edited, m_before, m_month);
    edited.WriteSection(QLatin1String(CSettings::kLimitsSection));
    QDialog::accept();
}

void ShowLimitBoxes(QWidget *owner, CPrompt &prompt, const QStringList &boxes)
{
    for (const QString &text : boxes)
        prompt.Show(owner, text, QMessageBox::Information, QMessageBox::Ok);
}

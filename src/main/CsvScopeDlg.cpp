#include "main/CsvScopeDlg.h"

#include "dialogkit/DialogTemplate.h"

#include <QPushButton>
#include <QRadioButton>

namespace {

using dlg::Kind;
using dlg::NoId;
using D = CCsvScopeDlg;

// 144 x 104 dialog units; template order is tab order. The group box's mnemonic moves to the
// checked radio.
const dlg::Item kTemplate[] = {
        {NoId, Kind::GroupBox, u"保存する範囲(&R):", 7, 7, 130, 70, dlg::Group},
        {D::IdShownPeriod, Kind::Radio, u"表示中の期間", 14, 19, 110, 10, dlg::VCenter},
        {D::IdAllYears, Kind::Radio, u"すべての年", 14, 33, 110, 10, dlg::VCenter},
        {D::IdSessions, Kind::Radio, u"稼働記録", 14, 47, 110, 10, dlg::VCenter},
        {D::IdSessionTable, Kind::Radio, u"店舗・機種別集計", 14, 61, 110, 10, dlg::VCenter},
        {D::IdOk, Kind::DefPushButton, u"OK", 26, 84, 52, 14, dlg::Group | dlg::TabStop},
        {D::IdCancel, Kind::PushButton, u"ｷｬﾝｾﾙ", 85, 84, 52, 14, dlg::TabStop},
};

} // namespace

CCsvScopeDlg::CCsvScopeDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("CSV形式で保存"));
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    m_controls = std::make_unique<dlg::Controls>(dlg::Build(this, kTemplate, units));
    setFixedSize(dlg::ToPixels(units, 144, 104));

    m_shownPeriod = m_controls->get<QRadioButton>(IdShownPeriod);
    m_sessions = m_controls->get<QRadioButton>(IdSessions);
    m_sessionTable = m_controls->get<QRadioButton>(IdSessionTable);
    m_shownPeriod->setChecked(true);
    m_shownPeriod->setFocus(Qt::OtherFocusReason);
    // The choice is read from the radios when OK is pressed, however they were set.
    connect(m_controls->get<QPushButton>(IdOk), &QPushButton::clicked, this, &QDialog::accept);
    connect(m_controls->get<QPushButton>(IdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

CCsvScopeDlg::~CCsvScopeDlg() = default;

QWidget *CCsvScopeDlg::control(ControlId id) const
{
    return m_controls->widget(id);
}

CCsvScopeDlg::Scope CCsvScopeDlg::Chosen() const
{
    if (m_shownPeriod->isChecked())
        return ShownPeriod;
    if (m_sessions->isChecked())
        return Sessions;
    return m_sessionTable->isChecked() ? SessionTable : AllYears;
}

#include "dialogs/AboutDlg.h"

#include "dialogkit/DialogTemplate.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace {

using dlg::Kind;
using dlg::NoId;

// The version box, 235 x 131 dialog units.
const dlg::Item kTemplate[] = {
        {NoId, Kind::Icon, nullptr, 12, 12, 20, 20},
        {NoId, Kind::Text, u"ミュレル", 40, 20, 56, 8, dlg::VCenter},
        {NoId, Kind::Text, u"Version 1.2", 100, 20, 39, 8, dlg::AlignRight},
        {CAboutDlg::IdOk, Kind::DefPushButton, u"OK", 178, 7, 50, 14, dlg::TabStop | dlg::Group},
        {NoId, Kind::Text, u"詳しい操作方法・活用方法は以下のサイトでご覧ください", 16, 52, 204,
         12},
        {CAboutDlg::IdGuideUrl, Kind::Edit, nullptr, 32, 64, 188, 12, dlg::ReadOnly | dlg::TabStop},
        {NoId, Kind::EtchedFrame, nullptr, 8, 80, 220, 44},
        {NoId, Kind::Text, u"企画・制作:", 32, 88, 64, 8},
        {NoId, Kind::Text, u"ミュレル開発グループ", 96, 88, 104, 8},
        {NoId, Kind::Text, u"ご意見は案内ページまで", 100, 100, 104, 8},
        {CAboutDlg::IdCredit, Kind::Text, nullptr, 116, 112, 100, 8},
};

// Within this many pixels of the client area's top-left corner a double click shows the credit.
constexpr int kCornerPixels = 3;

} // namespace

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ミュレルのバージョン情報"));
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    const dlg::Controls controls = dlg::Build(this, kTemplate, units);
    setFixedSize(dlg::ToPixels(units, 235, 131));

    auto *url = controls.get<QLineEdit>(IdGuideUrl);
    url->setText(GuideUrl());
    url->setCursorPosition(0);
    m_credit = controls.get<QLabel>(IdCredit);

    auto *ok = controls.get<QPushButton>(IdOk);
    connect(ok, &QPushButton::clicked, this, &CAboutDlg::accept);
    ok->setFocus(Qt::OtherFocusReason);
}

CAboutDlg::~CAboutDlg() = default;

QString CAboutDlg::GuideUrl()
{
    return QStringLiteral("http://murel.example.org/murel/guide/");
}

void CAboutDlg::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        if (at.x() <= kCornerPixels && at.y() <= kCornerPixels)
            m_credit->setText(QStringLiteral("協力: 利用者の皆さま"));
    }
    QDialog::mouseDoubleClickEvent(event);
}

#include "app/AboutDlg.h"

#include "app/DialogTemplate.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace {

enum : int {
    IDC_URL = 1069,
    IDC_CREDIT = 1068,
};

using dlg::Kind;

// Template 100, 235 x 131 dialog units.
const dlg::Item kTemplate[] = {
        {-1, Kind::Icon, nullptr, 12, 12, 20, 20},
        {-1, Kind::Text, u"ミュレル", 40, 20, 56, 8, dlg::VCenter},
        {-1, Kind::Text, u"Version 1.2", 100, 20, 39, 8, dlg::AlignRight},
        {1, Kind::DefPushButton, u"OK", 178, 7, 50, 14, dlg::TabStop | dlg::Group},
        {-1, Kind::Text, u"詳しい操作方法・活用方法は以下のサイトでご覧ください", 16, 52, 204, 12},
        {IDC_URL, Kind::Edit, nullptr, 32, 64, 188, 12, dlg::ReadOnly | dlg::TabStop},
        {-1, Kind::SunkenFrame, nullptr, 8, 80, 220, 44},
        {-1, Kind::Text, u"企画・制作:", 32, 88, 64, 8},
        {-1, Kind::Text, u"ミュレル開発グループ", 96, 88, 104, 8},
        {-1, Kind::Text, u"ご意見は案内ページまで", 100, 100, 104, 8},
        {IDC_CREDIT, Kind::Text, nullptr, 116, 112, 100, 8},
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

    // The icon static shows the program icon even before an application icon is set.
    if (auto *icon = qobject_cast<QLabel *>(controls.at(0))) {
        const QIcon programIcon(QStringLiteral(":/icons/murel.png"));
        icon->setPixmap(programIcon.pixmap(icon->size()));
    }
    if (auto *frame = qobject_cast<QFrame *>(controls.at(6)))
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken); // etched

    auto *url = controls.get<QLineEdit>(IDC_URL);
    url->setText(GuideUrl());
    url->setCursorPosition(0);

    auto *ok = controls.get<QPushButton>(1);
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
        if (at.x() <= kCornerPixels && at.y() <= kCornerPixels) {
            if (auto *credit = findChild<QLabel *>(QStringLiteral("id%1").arg(IDC_CREDIT)))
                credit->setText(QStringLiteral("協力: 利用者の皆さま"));
        }
    }
    QDialog::mouseDoubleClickEvent(event);
}

#include "app/DialogTemplate.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>

namespace dlg {

namespace {

int mulDiv(int a, int b, int c)
{
    // Windows MulDiv: 64-bit product, rounded half away from zero.
    const qint64 p = qint64(a) * b;
    const qint64 q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
    return int(q);
}

// A group box whose mnemonic moves the focus to the control after it, as in a dialog template.
class CTemplateGroupBox : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;
    QWidget *buddy = nullptr;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::Shortcut && buddy) {
            buddy->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
        return QGroupBox::event(e);
    }
};

bool takesFocus(Kind kind)
{
    switch (kind) {
    case Kind::Edit:
    case Kind::CheckBox:
    case Kind::Radio:
    case Kind::PushButton:
    case Kind::DefPushButton:
    case Kind::Custom:
        return true;
    default:
        return false;
    }
}

Qt::Alignment alignmentOf(unsigned flags)
{
    Qt::Alignment a = Qt::AlignLeft;
    if (flags & AlignRight)
        a = Qt::AlignRight;
    if (flags & AlignCenter)
        a = Qt::AlignHCenter;
    a |= (flags & VCenter) ? Qt::AlignVCenter : Qt::AlignTop;
    return a;
}

} // namespace

QFont DialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSize(9);
    return font;
}

BaseUnits BaseUnitsOf(const QFont &font)
{
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    BaseUnits units;
    units.cx = (width / 26 + 1) / 2;
    units.cy = fm.height();
    if (units.cx < 1)
        units.cx = 1;
    if (units.cy < 1)
        units.cy = 1;
    return units;
}

QRect ToPixels(const BaseUnits &units, int x, int y, int w, int h)
{
    return QRect(mulDiv(x, units.cx, 4), mulDiv(y, units.cy, 8), mulDiv(w, units.cx, 4),
                 mulDiv(h, units.cy, 8));
}

QSize ToPixels(const BaseUnits &units, int w, int h)
{
    return QSize(mulDiv(w, units.cx, 4), mulDiv(h, units.cy, 8));
}

Controls Build(QWidget *client, std::span<const Item> items, const BaseUnits &units,
               const std::function<QWidget *(const Item &, QWidget *)> &customFactory)
{
    Controls controls;
    QButtonGroup *radioGroup = nullptr;
    QList<QWidget *> focusChain;
    QList<QWidget *> pendingBuddy; // labels and group boxes waiting for the next control
    QList<QWidget *> all;

    for (size_t i = 0; i < items.size(); ++i) {
        const Item &item = items[i];
        const QString text = item.text ? QString::fromUtf16(item.text) : QString();
        QWidget *w = nullptr;
        if (item.flags & Group)
            radioGroup = nullptr;
        switch (item.kind) {
        case Kind::GroupBox:
            w = new CTemplateGroupBox(text, client);
            break;
        case Kind::Text: {
            auto *label = new QLabel(text, client);
            label->setAlignment(alignmentOf(item.flags));
            label->setWordWrap(false);
            if (item.flags & Sunken)
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            w = label;
            break;
        }
        case Kind::Edit: {
            auto *edit = new QLineEdit(text, client);
            edit->setAlignment((item.flags & AlignRight)            ? Qt::AlignRight
                                       : (item.flags & AlignCenter) ? Qt::AlignHCenter
                                                                    : Qt::AlignLeft);
            edit->setReadOnly(item.flags & ReadOnly);
            if (item.flags & Digits) {
                edit->setValidator(new QRegularExpressionValidator(
                        QRegularExpression(QStringLiteral("[0-9]*")), edit));
            }
            w = edit;
            break;
        }
        case Kind::CheckBox:
            w = new QCheckBox(text, client);
            break;
        case Kind::Radio: {
            auto *radio = new QRadioButton(text, client);
            if (!radioGroup) {
                radioGroup = new QButtonGroup(client);
                radioGroup->setExclusive(true);
            }
            radioGroup->addButton(radio, item.id);
            if (item.id >= 0)
                controls.m_groups.insert(item.id, radioGroup);
            w = radio;
            break;
        }
        case Kind::PushButton:
        case Kind::DefPushButton: {
            auto *button = new QPushButton(text, client);
            if (item.kind == Kind::DefPushButton)
                button->setDefault(true);
            w = button;
            break;
        }
        case Kind::SunkenFrame: {
            auto *frame = new QFrame(client);
            frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            w = frame;
            break;
        }
        case Kind::Progress: {
            auto *bar = new QProgressBar(client);
            bar->setTextVisible(false);
            bar->setRange(0, 100);
            bar->setValue(0);
            w = bar;
            break;
        }
        case Kind::Icon: {
            auto *label = new QLabel(client);
            const QRect r = ToPixels(units, item.x, item.y, item.w, item.h);
            label->setPixmap(QApplication::windowIcon().pixmap(r.size()));
            w = label;
            break;
        }
        case Kind::Custom:
            w = customFactory ? customFactory(item, client) : nullptr;
            if (!w)
                w = new QWidget(client);
            w->setParent(client);
            break;
        }
        w->setGeometry(ToPixels(units, item.x, item.y, item.w, item.h));
        if ((item.kind == Kind::Text || item.kind == Kind::CheckBox || item.kind == Kind::Radio)
            && !(item.flags & Sunken)) {
            // The stand-in fonts and Qt's indicators can be wider than the template's: let a text
            // show whole rather than clip it, growing only to the right.
            const int need = w->sizeHint().width();
            if (need > w->width())
                w->resize(need, w->height());
        }
        // Static texts let clicks through, as they do in a dialog template.
        if (item.kind == Kind::Text)
            w->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (item.id >= 0) {
            w->setObjectName(QStringLiteral("id%1").arg(item.id));
            controls.m_byId.insert(item.id, w);
        }
        if (item.flags & Disabled)
            w->setEnabled(false);
        if (item.flags & Hidden)
            w->setVisible(false);
        controls.m_inOrder.append(w);
        all.append(w);

        const bool focusable = takesFocus(item.kind) && !(item.flags & Hidden);
        if (focusable) {
            if (item.kind != Kind::Custom)
                w->setFocusPolicy((item.flags & TabStop) || item.kind == Kind::Radio
                                          ? Qt::StrongFocus
                                          : Qt::ClickFocus);
            for (QWidget *waiting : pendingBuddy) {
                if (auto *label = qobject_cast<QLabel *>(waiting))
                    label->setBuddy(w);
                else if (auto *box = dynamic_cast<CTemplateGroupBox *>(waiting))
                    box->buddy = w;
            }
            pendingBuddy.clear();
            focusChain.append(w);
        } else if ((item.kind == Kind::Text || item.kind == Kind::GroupBox)
                   && text.contains(QLatin1Char('&'))) {
            pendingBuddy.append(w);
        }
    }
    // A mnemonic at the end of the template wraps round to the first control, as Windows does.
    if (!pendingBuddy.isEmpty() && !focusChain.isEmpty()) {
        for (QWidget *waiting : pendingBuddy) {
            if (auto *label = qobject_cast<QLabel *>(waiting))
                label->setBuddy(focusChain.first());
            else if (auto *box = dynamic_cast<CTemplateGroupBox *>(waiting))
                box->buddy = focusChain.first();
        }
    }
    for (int i = 1; i < focusChain.size(); ++i)
        QWidget::setTabOrder(focusChain[i - 1], focusChain[i]);
    // Later template items lie above earlier ones only where Windows would paint them so:
    // group boxes go to the bottom so that they never hide the controls drawn inside them.
    for (QWidget *w : all) {
        if (qobject_cast<QGroupBox *>(w))
            w->lower();
    }
    return controls;
}

} // namespace dlg

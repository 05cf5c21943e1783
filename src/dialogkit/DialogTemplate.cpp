#include "dialogkit/DialogTemplate.h"

#include "graph/ChartDrawing.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
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
    case Kind::PushRadio:
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

QString textOf(const Item &item)
{
    return item.text ? QString::fromUtf16(item.text) : QString();
}

// One constructor per kind of control.

QWidget *makeText(const Item &item, QWidget *client)
{
    auto *label = new QLabel(textOf(item), client);
    label->setAlignment(alignmentOf(item.flags));
    label->setWordWrap(false);
    if (item.flags & Sunken)
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

QWidget *makeEdit(const Item &item, QWidget *client)
{
    auto *edit = new QLineEdit(textOf(item), client);
    edit->setAlignment((item.flags & AlignRight)            ? Qt::AlignRight
                               : (item.flags & AlignCenter) ? Qt::AlignHCenter
                                                            : Qt::AlignLeft);
    edit->setReadOnly(item.flags & ReadOnly);
    if (item.flags & Digits) {
        edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    return edit;
}

// Radios between two Group items share one exclusive button group, started by the first of them.
QWidget *makeRadio(const Item &item, QWidget *client, QButtonGroup *&group,
                   QHash<int, QButtonGroup *> &groups)
{
    auto *radio = new QRadioButton(textOf(item), client);
    if (!group) {
        group = new QButtonGroup(client);
        group->setExclusive(true);
    }
    group->addButton(radio, item.id);
    if (item.id >= 0)
        groups.insert(item.id, group);
    return radio;
}

QWidget *makePushRadio(const Item &item, QWidget *client)
{
    auto *button = new QPushButton(textOf(item), client);
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QWidget *makePushButton(const Item &item, QWidget *client)
{
    auto *button = new QPushButton(textOf(item), client);
    if (item.kind == Kind::DefPushButton)
        button->setDefault(true);
    return button;
}

QWidget *makeFrame(QWidget *client, int style)
{
    auto *frame = new QFrame(client);
    frame->setFrameStyle(style);
    return frame;
}

QWidget *makeProgress(QWidget *client)
{
    auto *bar = new QProgressBar(client);
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    return bar;
}

QWidget *makeIcon(const Item &item, QWidget *client, const BaseUnits &units)
{
    auto *label = new QLabel(client);
    const QRect r = ToPixels(units, item.x, item.y, item.w, item.h);
    label->setPixmap(QIcon(QStringLiteral(":/icons/murel.png")).pixmap(r.size()));
    return label;
}

QWidget *makeCustom(const Item &item, QWidget *client,
                    const std::function<QWidget *(const Item &, QWidget *)> &factory)
{
    QWidget *w = factory ? factory(item, client) : nullptr;
    if (!w)
        w = new QWidget(client);
    w->setParent(client);
    return w;
}

// Puts a control at its rectangle. The stand-in fonts and Qt's indicators can be wider than the
// template's: a text shows whole rather than clipped, growing only to the right. A wrapping text
// keeps its width and wraps instead.
void place(QWidget *w, const Item &item, const BaseUnits &units)
{
    w->setGeometry(ToPixels(units, item.x, item.y, item.w, item.h));
    const bool grows
            = item.kind == Kind::Text || item.kind == Kind::CheckBox || item.kind == Kind::Radio;
    if (grows && !(item.flags & (Sunken | WordWrap))) {
        const int need = w->sizeHint().width();
        if (need > w->width())
            w->resize(need, w->height());
    }
    if (item.kind == Kind::Text) {
        // Static texts let clicks through, as they do in a dialog template.
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (item.flags & WordWrap)
            static_cast<QLabel *>(w)->setWordWrap(true);
    }
    if (item.flags & Disabled)
        w->setEnabled(false);
    if (item.flags & Hidden)
        w->setVisible(false);
}

void setBuddy(QWidget *waiting, QWidget *target)
{
    if (auto *label = qobject_cast<QLabel *>(waiting))
        label->setBuddy(target);
    else if (auto *box = dynamic_cast<CTemplateGroupBox *>(waiting))
        box->buddy = target;
}

// The tab order in template order, and the mnemonics of texts and group boxes, which move the
// focus to the next control that takes it.
class FocusChain
{
public:
    void add(QWidget *w, const Item &item)
    {
        const bool focusable = takesFocus(item.kind) && !(item.flags & Hidden);
        if (focusable) {
            if (item.kind != Kind::Custom && item.kind != Kind::PushRadio) {
                w->setFocusPolicy((item.flags & TabStop) || item.kind == Kind::Radio
                                          ? Qt::StrongFocus
                                          : Qt::ClickFocus);
            }
            for (QWidget *waiting : m_pendingBuddies)
                setBuddy(waiting, w);
            m_pendingBuddies.clear();
            m_chain.append(w);
        } else if ((item.kind == Kind::Text || item.kind == Kind::GroupBox)
                   && textOf(item).contains(QLatin1Char('&'))) {
            m_pendingBuddies.append(w);
        }
    }

    void finish()
    {
        // A mnemonic at the end of the template wraps round to the first control, as Windows
        // does.
        if (!m_chain.isEmpty()) {
            for (QWidget *waiting : m_pendingBuddies)
                setBuddy(waiting, m_chain.first());
        }
        for (int i = 1; i < m_chain.size(); ++i)
            QWidget::setTabOrder(m_chain[i - 1], m_chain[i]);
    }

private:
    QList<QWidget *> m_chain;
    QList<QWidget *> m_pendingBuddies; // texts and group boxes waiting for the next control
};

} // namespace

QFont DialogFont()
{
    constexpr int kDialogPoints = 9;
    return chart::Font(kDialogPoints);
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
    FocusChain focus;

    for (const Item &item : items) {
        if (item.flags & Group)
            radioGroup = nullptr;
        QWidget *w = nullptr;
        switch (item.kind) {
        case Kind::GroupBox:
            w = new CTemplateGroupBox(textOf(item), client);
            break;
        case Kind::Text:
            w = makeText(item, client);
            break;
        case Kind::Edit:
            w = makeEdit(item, client);
            break;
        case Kind::CheckBox:
            w = new QCheckBox(textOf(item), client);
            break;
        case Kind::Radio:
            w = makeRadio(item, client, radioGroup, controls.m_groups);
            break;
        case Kind::PushRadio:
            w = makePushRadio(item, client);
            break;
        case Kind::PushButton:
        case Kind::DefPushButton:
            w = makePushButton(item, client);
            break;
        case Kind::SunkenFrame:
            w = makeFrame(client, QFrame::Panel | QFrame::Sunken);
            break;
        case Kind::EtchedFrame:
            w = makeFrame(client, QFrame::Box | QFrame::Sunken);
            break;
        case Kind::Progress:
            w = makeProgress(client);
            break;
        case Kind::Icon:
            w = makeIcon(item, client, units);
            break;
        case Kind::Custom:
            w = makeCustom(item, client, customFactory);
            break;
        }
        place(w, item, units);
        if (item.id >= 0) {
            w->setObjectName(QStringLiteral("id%1").arg(item.id));
            controls.m_byId.insert(item.id, w);
        }
        controls.m_inOrder.append(w);
        focus.add(w, item);
    }
    focus.finish();
    // Later template items lie above earlier ones only where Windows would paint them so:
    // group boxes go to the bottom so that they never hide the controls drawn inside them.
    for (QWidget *w : std::as_const(controls.m_inOrder)) {
        if (qobject_cast<QGroupBox *>(w))
            w->lower();
    }
    return controls;
}

} // namespace dlg

#pragma once

#include <QFont>
#include <QHash>
#include <QRect>
#include <QSize>

#include <functional>
#include <span>

class QButtonGroup;
class QWidget;

// Windows-style dialog templates: controls placed at dialog-unit rectangles that are converted to
// pixels from the dialog font's base units, so the arrangement holds with any font.
namespace dlg {

enum class Kind {
    GroupBox, // QGroupBox without children; its mnemonic focuses the next control
    Text, // QLabel; a mnemonic makes the next tab-order control its buddy
    Edit, // QLineEdit
    CheckBox,
    Radio, // radios between two Group items are exclusive with each other
    PushRadio, // an auto radio button drawn as a push button, exclusive with its siblings
    PushButton,
    DefPushButton,
    SunkenFrame, // a static drawn as a sunken frame (also a one-unit rule)
    EtchedFrame, // a static drawn as an etched frame
    Progress,
    Icon, // QLabel showing the program icon
    Custom, // created by the factory passed to Build
};

// The identifier of a control that the window never looks up.
inline constexpr int NoId = -1;

enum Flag : unsigned {
    None = 0,
    Group = 1u << 0, // starts a group (ends the previous radio group)
    TabStop = 1u << 1,
    Hidden = 1u << 2,
    Disabled = 1u << 3,
    ReadOnly = 1u << 4,
    Digits = 1u << 5, // edit accepting digits only, also when pasted
    AlignRight = 1u << 6,
    AlignCenter = 1u << 7,
    VCenter = 1u << 8,
    Sunken = 1u << 9, // sunken border around a static text
    WordWrap = 1u << 10, // a static text that wraps at its width
};

struct Item
{
    int id; // NoId for controls without an identifier
    Kind kind;
    const char16_t *text;
    int x, y, w, h; // dialog units
    unsigned flags = None;
};

// The dialog font: "ＭＳ Ｐゴシック" with its stand-ins, 9 points.
QFont DialogFont();

struct BaseUnits
{
    int cx = 0; // average character width, as Windows computes it
    int cy = 0; // character height
};

BaseUnits BaseUnitsOf(const QFont &font);
// MulDiv(x, cx, 4) and MulDiv(y, cy, 8), rounded as Windows does.
QRect ToPixels(const BaseUnits &units, int x, int y, int w, int h);
QSize ToPixels(const BaseUnits &units, int w, int h);

class Controls
{
public:
    QWidget *widget(int id) const { return m_byId.value(id); }
    template<class T> T *get(int id) const { return qobject_cast<T *>(m_byId.value(id)); }
    QButtonGroup *groupOf(int radioId) const { return m_groups.value(radioId); }
    QWidget *at(int index) const { return m_inOrder.value(index); }
    int count() const { return int(m_inOrder.size()); }

private:
    friend Controls Build(QWidget *, std::span<const Item>, const BaseUnits &,
                          const std::function<QWidget *(const Item &, QWidget *)> &);
    QHash<int, QWidget *> m_byId;
    QHash<int, QButtonGroup *> m_groups;
    QList<QWidget *> m_inOrder;
};

// Creates the template's controls as children of client, in template order (which is also the tab
// order). The client widget is sized to w x h of the dialog by the caller (ToPixels).
Controls Build(QWidget *client, std::span<const Item> items, const BaseUnits &units,
               const std::function<QWidget *(const Item &, QWidget *)> &customFactory = {});

} // namespace dlg

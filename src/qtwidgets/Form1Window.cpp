#include "qtwidgets/Form1Window.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionComplex>
#include <algorithm>
#include <functional>
#include <limits>

#include "qtwidgets/AppIcon.h"
#include "qtwidgets/OverstrikeBold.h"
#include "ui/Placement.h"

namespace qtwidgets {
namespace {

QString ToQt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const QString kSongti = ToQt(ui::kFaceName);
const QString kSimSun = QStringLiteral("SimSun");

// Whether a widget shows exactly this text already. Compares the UTF-8 text with the widget's
// own string in place, so that an unchanged position costs no conversion and no allocation.
bool Shows(const QString& shown, std::string_view text) {
    return QAnyStringView::equal(shown,
                                 QUtf8StringView(text.data(), static_cast<qsizetype>(text.size())));
}

std::string FromQt(const QString& text) {
    return text.toUtf8().toStdString();
}

QFont FontOf(ui::FontVariant variant) {
    const ui::FontFace face = ui::FaceOf(variant);
    QFont font(kSongti);
    // Pixel sizes keep the window as it looks at 96 dots per inch on any screen.
    font.setPixelSize(face.PixelSize());
    font.setWeight(face.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

// Qt scales its pixels to the screen by itself.
int Pixels(int twips) {
    return ui::TwipsToPixels(twips, ui::kStandardDpi);
}

QRect GeometryOf(const ui::Placement& p) {
    return {Pixels(p.left), Pixels(p.top), Pixels(p.width), Pixels(p.height)};
}

// Across as the placement says, and centred vertically: a fallback font's line (Noto Serif CJK:
// 41 px at 29 px) is taller than a 33 px label, and centring keeps the glyphs inside the box.
Qt::Alignment AlignmentOf(const ui::Placement& p) {
    return (p.align == ui::Align::Centre ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
}

// Text set by the program is shown from its first character. QLineEdit would scroll to its end
// when a text is wider than the box, as a typed device path is.
void ShowFromStart(QLineEdit* edit) {
    edit->setCursorPosition(0);
}

// Which part of a text too long for its box a list shows: its end where the placement says so (a
// port's name is told apart by its end, /dev/ttyUSB1 or the serial number at the end of a
// /dev/serial/by-id/ link), else its start.
void ShowTellingPart(ui::Widget widget, QLineEdit* edit) {
    if (ui::PlacementOf(widget).showsEnd) {
        edit->setCursorPosition(static_cast<int>(edit->text().size()));
    } else {
        ShowFromStart(edit);
    }
}

// A list that tells before its drop-down opens, and whose drop-down is never narrower than its
// longest item: a port path is wider than the port chooser itself.
class DropDownList : public QComboBox {
public:
    DropDownList(QWidget* parent, std::function<void()> beforePopup)
        : QComboBox(parent), beforePopup_(std::move(beforePopup)) {}

    void showPopup() override {
        if (beforePopup_) {
            beforePopup_();
        }
        QAbstractItemView* list = view();
        const int frame = 2 * list->frameWidth();
        const int scrollBar =
            count() > maxVisibleItems() ? list->verticalScrollBar()->sizeHint().width() : 0;
        list->setMinimumWidth(list->sizeHintForColumn(0) + frame + scrollBar);
        QComboBox::showPopup();
    }

private:
    std::function<void()> beforePopup_;
};

// The lists' drop-down button as wide as a scroll bar's arrow on the desktop the window was drawn
// for, 17 px, where Fusion makes it 19 px and more: a 113 px list then keeps 92 px for its text
// portion, and after the 2 px its text keeps clear of each side, 88 px for "115200" and "MODBUS",
// which take 87 px in a face with SimSun's metrics.
class NarrowDropDownButton : public QProxyStyle {
public:
    static constexpr int kButtonWidth = 17;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override {
        QRect rect = QProxyStyle::subControlRect(control, option, sub, widget);
        if (control != CC_ComboBox || (sub != SC_ComboBoxEditField && sub != SC_ComboBoxArrow)) {
            return rect;
        }
        const QRect button = QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget);
        // The button's rectangle may reach past the frame; only its visible part counts.
        const int gain = std::max(0, button.intersected(option->rect).width() - kButtonWidth);
        const bool rightToLeft = option->direction == Qt::RightToLeft;
        if (sub == SC_ComboBoxEditField) {
            return rightToLeft ? rect.adjusted(-gain, 0, 0, 0) : rect.adjusted(0, 0, gain, 0);
        }
        return rightToLeft ? rect.adjusted(0, 0, -gain, 0) : rect.adjusted(gain, 0, 0, 0);
    }
};

// A drop-down list whose text portion the operator may type into.
void MakeEditableList(ui::Widget widget, QComboBox* combo) {
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // No completion: the text portion holds exactly what was typed.
    combo->setCompleter(nullptr);
    QLineEdit* edit = combo->lineEdit();
    edit->setMaxLength(std::numeric_limits<int>::max());
    // When editing finishes, QComboBox selects the item whose text matches the typed text. Here
    // typing leaves the list without a selection until an item is picked, so that is cut off.
    QObject::disconnect(edit, &QLineEdit::editingFinished, combo, nullptr);
    // Typing removes the selection. Dropping the index empties the text portion, so the typed
    // text and the cursor are put back.
    QObject::connect(edit, &QLineEdit::textEdited, combo, [combo, edit] {
        if (combo->currentIndex() < 0) {
            return;
        }
        const QString typed = edit->text();
        const int cursor = edit->cursorPosition();
        combo->setCurrentIndex(-1);
        edit->setText(typed);
        edit->setCursorPosition(cursor);
    });
    QObject::connect(combo, &QComboBox::currentIndexChanged, edit,
                     [widget, edit] { ShowTellingPart(widget, edit); });
}

}  // namespace

void RegisterSongtiSubstitutes() {
    if (!QFont::substitutes(kSongti).isEmpty()) {
        return;
    }
    // Faces with SimSun's metrics first, then Song-style faces, then any font that shows
    // simplified Chinese.
    const QStringList fallbacks{QStringLiteral("NSimSun"),
                                QStringLiteral("AR PL SungtiL GB"),
                                QStringLiteral("AR PL UMing CN"),
                                QStringLiteral("Noto Serif CJK SC"),
                                QStringLiteral("Source Han Serif SC"),
                                QStringLiteral("Noto Sans CJK SC"),
                                QStringLiteral("WenQuanYi Zen Hei")};
    // Only the faces this machine has: each missing one would cost a fontconfig search every
    // time a font is resolved.
    const QStringList installed = QFontDatabase::families();
    QStringList faces;
    for (const QString& face : QStringList{kSimSun} + fallbacks) {
        if (installed.contains(face, Qt::CaseInsensitive)) {
            faces.append(face);
        }
    }
    QFont::insertSubstitutions(kSongti, faces);
    faces.removeAll(kSimSun);
    QFont::insertSubstitutions(kSimSun, QStringList{kSongti} + faces);
}

Form1Window::Form1Window(QWidget* parent) : QWidget(parent) {
    RegisterSongtiSubstitutes();
    widgets_[static_cast<std::size_t>(ui::Widget::Form1)] = this;
    setObjectName(ToQt(ui::NameOf(ui::Widget::Form1)));
    setWindowTitle(ToQt(ui::DefaultsOf(ui::Widget::Form1).text));
    setWindowIcon(AppIcon());
    resize(Pixels(ui::kClientWidthTwips), Pixels(ui::kClientHeightTwips));

    listStyle_ = new NarrowDropDownButton;
    listStyle_->setParent(this);
    boldStyle_ = new OverstrikeBold;
    boldStyle_->setParent(this);
    for (const ui::Placement& p : ui::AllPlacements()) {
        widgets_[static_cast<std::size_t>(p.widget)] = CreateWidget(p.widget);
    }
    const std::vector<ui::Widget> order = ui::TabOrder();
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(QtWidget(order[i - 1]), QtWidget(order[i]));
    }
    QtWidget(order.front())->setFocus(Qt::OtherFocusReason);
}

QWidget* Form1Window::CreateWidget(ui::Widget widget) {
    const ui::WidgetDefaults& d = ui::DefaultsOf(widget);
    const ui::Placement& p = ui::PlacementOf(widget);
    // Name, face and box come before the text: a line edit lays its text out as soon as it is
    // set, and would otherwise do it twice, once in the application's default face.
    const auto place = [&](QWidget* w) {
        w->setObjectName(ToQt(d.name));
        w->setFont(FontOf(p.font));
        w->setGeometry(GeometryOf(p));
        // Fixed sizes: a label whose text changes then asks its parent for no new layout.
        w->setFixedSize(w->size());
        if (ui::FaceOf(p.font).bold) {
            w->setStyle(boldStyle_);
        }
    };
    QWidget* w = nullptr;
    switch (d.kind) {
        case ui::WidgetKind::Label: {
            auto* label = new QLabel(this);
            place(label);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(false);
            label->setFrameShape(QFrame::NoFrame);
            label->setAutoFillBackground(true);  // opaque, in the window's own colour
            label->setAlignment(AlignmentOf(p));
            label->setText(ToQt(d.text));
            w = label;
            break;
        }
        case ui::WidgetKind::TextBox: {
            auto* edit = new QLineEdit(this);
            place(edit);
            edit->setMaxLength(std::numeric_limits<int>::max());
            edit->setAlignment(AlignmentOf(p));
            edit->setText(ToQt(d.text));
            ShowFromStart(edit);
            w = edit;
            break;
        }
        case ui::WidgetKind::List: {
            auto* combo = new DropDownList(this, [this, widget] {
                if (onDropDown_) {
                    onDropDown_(widget);
                }
            });
            place(combo);
            combo->setStyle(listStyle_);
            MakeEditableList(widget, combo);
            for (std::string_view item : d.items) {
                combo->addItem(ToQt(item));
            }
            // Adding to an empty list selects its first item; at start nothing is selected and
            // the text portion shows the default text.
            combo->setCurrentIndex(-1);
            combo->setEditText(ToQt(d.text));
            ShowTellingPart(widget, combo->lineEdit());
            w = combo;
            break;
        }
        case ui::WidgetKind::Button: {
            auto* button = new QPushButton(this);
            place(button);
            button->setText(ToQt(d.text));
            // Neither Enter nor Escape presses a button.
            button->setAutoDefault(false);
            button->setDefault(false);
            connect(button, &QPushButton::clicked, this, [this, widget] {
                if (onClick_) {
                    onClick_(widget);
                }
            });
            w = button;
            break;
        }
        case ui::WidgetKind::Form:
            return this;
    }
    if (!d.visible) {
        w->hide();
    }
    return w;
}

QComboBox* Form1Window::List(ui::Widget list) const {
    return qobject_cast<QComboBox*>(QtWidget(list));
}

void Form1Window::SetCaption(ui::Widget widget, std::string_view caption) {
    SetText(widget, caption);
}

void Form1Window::SetText(ui::Widget widget, std::string_view text) {
    QWidget* w = QtWidget(widget);
    // Setting what a widget already shows does nothing: no repaint, no event. The live position
    // is set on every reply and mostly stays the same.
    const ui::WidgetKind kind = ui::DefaultsOf(widget).kind;
    if ((kind == ui::WidgetKind::Label && Shows(static_cast<QLabel*>(w)->text(), text)) ||
        (kind == ui::WidgetKind::TextBox && Shows(static_cast<QLineEdit*>(w)->text(), text)) ||
        (kind == ui::WidgetKind::Button && Shows(static_cast<QPushButton*>(w)->text(), text))) {
        return;
    }
    const QString value = ToQt(text);
    switch (kind) {
        case ui::WidgetKind::Form:
            w->setWindowTitle(value);
            break;
        case ui::WidgetKind::Label:
            static_cast<QLabel*>(w)->setText(value);
            break;
        case ui::WidgetKind::TextBox: {
            auto* edit = static_cast<QLineEdit*>(w);
            edit->setText(value);
            ShowFromStart(edit);
            break;
        }
        case ui::WidgetKind::List: {
            auto* combo = static_cast<QComboBox*>(w);
            combo->setEditText(value);
            ShowTellingPart(widget, combo->lineEdit());
            break;
        }
        case ui::WidgetKind::Button:
            static_cast<QPushButton*>(w)->setText(value);
            break;
    }
}

std::string Form1Window::Text(ui::Widget widget) const {
    const QWidget* w = QtWidget(widget);
    switch (ui::DefaultsOf(widget).kind) {
        case ui::WidgetKind::Form:
            return FromQt(w->windowTitle());
        case ui::WidgetKind::Label:
            return FromQt(static_cast<const QLabel*>(w)->text());
        case ui::WidgetKind::TextBox:
            return FromQt(static_cast<const QLineEdit*>(w)->text());
        case ui::WidgetKind::List:
            return FromQt(static_cast<const QComboBox*>(w)->currentText());
        case ui::WidgetKind::Button:
            return FromQt(static_cast<const QPushButton*>(w)->text());
    }
    return {};
}

int Form1Window::SelectedIndex(ui::Widget list) const {
    const QComboBox* combo = List(list);
    return combo != nullptr ? combo->currentIndex() : -1;
}

bool Form1Window::SetSelectedIndex(ui::Widget list, int index) {
    QComboBox* combo = List(list);
    if (combo == nullptr || index < 0 || index >= combo->count()) {
        return false;
    }
    combo->setCurrentIndex(index);
    return true;
}

void Form1Window::ClearItems(ui::Widget list) {
    QComboBox* combo = List(list);
    if (combo == nullptr) {
        return;
    }
    combo->clear();
}

void Form1Window::AddItem(ui::Widget list, std::string_view item) {
    QComboBox* combo = List(list);
    if (combo == nullptr) {
        return;
    }
    // The first item added to an empty list would become selected; appending selects nothing.
    const int selected = combo->currentIndex();
    const QString text = combo->currentText();
    combo->addItem(ToQt(item));
    if (const auto& toolTip = itemToolTips_[static_cast<std::size_t>(list)]) {
        combo->setItemData(combo->count() - 1, ToQt(toolTip(item)), Qt::ToolTipRole);
    }
    if (combo->currentIndex() != selected) {
        combo->setCurrentIndex(selected);
        combo->setEditText(text);
        ShowTellingPart(list, combo->lineEdit());
    }
}

void Form1Window::SetItemToolTips(ui::Widget list,
                                  std::function<std::string(std::string_view)> toolTip) {
    itemToolTips_[static_cast<std::size_t>(list)] = std::move(toolTip);
}

void Form1Window::SetEnabled(ui::Widget widget, bool enabled) {
    QtWidget(widget)->setEnabled(enabled);
    // Enabling or disabling a list does not move its text.
    if (QComboBox* combo = List(widget)) {
        ShowTellingPart(widget, combo->lineEdit());
    }
}

void Form1Window::SetFocus(ui::Widget widget) {
    QtWidget(widget)->setFocus(Qt::OtherFocusReason);
}

std::vector<std::string> Form1Window::Items(ui::Widget list) const {
    std::vector<std::string> items;
    if (const QComboBox* combo = List(list)) {
        for (int i = 0; i < combo->count(); ++i) {
            items.push_back(FromQt(combo->itemText(i)));
        }
    }
    return items;
}

bool Form1Window::IsEnabled(ui::Widget widget) const {
    return QtWidget(widget)->isEnabled();
}

}  // namespace qtwidgets

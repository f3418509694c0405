#include "qtwidgets/Form1Window.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <ostream>

#include "ui/Placement.h"
#include "ui/WindowModel.h"

namespace {

using enum ui::Widget;
using qtwidgets::Form1Window;
using ui::Widget;
using ui::WidgetKind;

QString QtName(Widget w) {
    const std::string_view name = ui::NameOf(w);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

template <typename T>
T* Find(Form1Window& window, Widget w) {
    return window.findChild<T*>(QtName(w), Qt::FindDirectChildrenOnly);
}

void ShowActive(Form1Window& window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

bool IsList(Widget w) {
    return ui::DefaultsOf(w).kind == WidgetKind::List;
}

// --- layout ---

TEST(Form1Window, EveryWidgetStandsAtItsPlaceWhateverTheWindowSize) {
    Form1Window window;
    ShowActive(window);
    EXPECT_EQ(window.size(), QSize(977, 623));
    EXPECT_EQ(window.layout(), nullptr);

    for (const QSize size : {QSize(977, 623), QSize(1600, 1000), QSize(300, 200)}) {
        window.resize(size);
        QApplication::processEvents();
        for (const ui::Placement& p : ui::AllPlacements()) {
            SCOPED_TRACE(ui::NameOf(p.widget));
            const QWidget* w = Find<QWidget>(window, p.widget);
            ASSERT_NE(w, nullptr) << "no child named so";
            EXPECT_EQ(w, window.QtWidget(p.widget));
            EXPECT_EQ(w->geometry(), QRect(p.left / 15, p.top / 15, p.width / 15, p.height / 15))
                << "window " << size.width() << "x" << size.height();
        }
    }
    window.showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(window.QtWidget(Text10)->geometry(), QRect(416, 496, 289, 37));
}

TEST(Form1Window, EveryWidgetUsesSongtiInItsVariant) {
    Form1Window window;
    const QStringList substitutes = QFont::substitutes(QStringLiteral("宋体"));
    for (const ui::Placement& p : ui::AllPlacements()) {
        SCOPED_TRACE(ui::NameOf(p.widget));
        const ui::FontFace face = ui::FaceOf(p.font);
        const QFont font = window.QtWidget(p.widget)->font();
        EXPECT_EQ(font.family(), QStringLiteral("宋体"));
        EXPECT_EQ(font.pixelSize(), face.PixelSize());
        EXPECT_EQ(font.bold(), face.bold);
        EXPECT_FALSE(font.italic() || font.underline() || font.strikeOut());

        // What the font system really draws with: SimSun itself or one of its Chinese
        // substitutes, never a Latin default that would leave the captions to fallback glyphs.
        const QFontInfo info(font);
        EXPECT_TRUE(info.family() == QStringLiteral("宋体") ||
                    substitutes.contains(info.family(), Qt::CaseInsensitive))
            << info.family().toStdString();
        EXPECT_EQ(info.pixelSize(), face.PixelSize());
        EXPECT_EQ(info.bold(), face.bold);
    }
}

TEST(Form1Window, TitleClientAreaAndIconSizes) {
    Form1Window window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("RS485上位机配置软件V2.1"));
    EXPECT_EQ(window.objectName(), QStringLiteral("Form1"));
    EXPECT_EQ(window.size(), QSize(977, 623));
    EXPECT_EQ(window.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)) << "resizable";

    const QIcon icon = window.windowIcon();
    for (const int side : {16, 32}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side))) << side;
    }
}

TEST(Form1Window, LabelsAreLeftAlignedExceptTheCentredResults) {
    Form1Window window;
    for (const ui::WidgetDefaults& d : ui::AllWidgets()) {
        if (d.kind != WidgetKind::Label) {
            continue;
        }
        SCOPED_TRACE(d.name);
        const QLabel* label = Find<QLabel>(window, d.widget);
        ASSERT_NE(label, nullptr);
        const bool centred = d.widget == Label19 || d.widget == Label20;
        EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask,
                  centred ? Qt::AlignHCenter : Qt::AlignLeft);
        EXPECT_FALSE(label->wordWrap());
        EXPECT_EQ(label->frameShape(), QFrame::NoFrame);
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(label->text().toStdString(), d.text);
    }
    EXPECT_EQ(window.Text(Label19), "Fail");
}

TEST(Form1Window, OnlyCommand5Label12AndCombo7AreNeverShown) {
    Form1Window window;
    ShowActive(window);
    for (const ui::Placement& p : ui::AllPlacements()) {
        SCOPED_TRACE(ui::NameOf(p.widget));
        const bool hidden = p.widget == Command5 || p.widget == Label12 || p.widget == Combo7;
        EXPECT_EQ(window.QtWidget(p.widget)->isVisible(), !hidden);
    }
    // Combo7 still carries its selected index for the save frame.
    EXPECT_TRUE(window.SetSelectedIndex(Combo7, 1));
    EXPECT_EQ(window.SelectedIndex(Combo7), 1);
    EXPECT_EQ(window.Text(Combo7), "7组");
}

// Tab from Combo1 until the focus comes back, naming each widget that took it.
std::vector<std::string> TabStops() {
    std::vector<std::string> stops;
    QWidget* const start = QApplication::focusWidget();
    QWidget* current = start;
    while (current != nullptr && stops.size() < 60) {
        stops.push_back(current->objectName().toStdString());
        QTest::keyClick(current, Qt::Key_Tab);
        current = QApplication::focusWidget();
        if (current == start) {
            break;
        }
    }
    return stops;
}

TEST(Form1Window, TabStartsOnCombo1AndSkipsHiddenAndDisabledWidgets) {
    Form1Window window;
    ShowActive(window);
    ASSERT_EQ(QApplication::focusWidget(), window.QtWidget(Combo1));

    EXPECT_EQ(TabStops(),
              (std::vector<std::string>{
                  "Combo1", "Command1", "Combo2",   "Text1",    "Text2",  "Combo3",   "Combo4",
                  "Combo5", "Combo6",   "Text3",    "Text4",    "Text5",  "Text6",    "Text7",
                  "Text8",  "Text9",    "Command2", "Command3", "Text10", "Command4", "Combo8"}));

    // As after the window's load: the command buttons are disabled.
    for (Widget w : {Command2, Command3, Command4, Command5}) {
        window.SetEnabled(w, false);
    }
    window.SetFocus(Combo1);
    EXPECT_EQ(TabStops(),
              (std::vector<std::string>{"Combo1", "Command1", "Combo2", "Text1", "Text2", "Combo3",
                                        "Combo4", "Combo5", "Combo6", "Text3", "Text4", "Text5",
                                        "Text6", "Text7", "Text8", "Text9", "Text10", "Combo8"}));
}

// --- lists ---

TEST(Form1Window, TypingIntoAListRemovesItsSelectionUntilAnItemIsPicked) {
    Form1Window window;
    ShowActive(window);
    auto* combo = Find<QComboBox>(window, Combo2);
    QLineEdit* edit = combo->lineEdit();
    ASSERT_TRUE(window.SetSelectedIndex(Combo2, 5));
    EXPECT_EQ(edit->cursorPosition(), 0) << "a text set by the program shows from its start";
    window.SetFocus(Combo2);

    // Typing in the middle: the selection goes, the text and the cursor stay where typed.
    edit->setCursorPosition(3);
    QTest::keyClicks(edit, "x");
    EXPECT_EQ(window.SelectedIndex(Combo2), -1);
    EXPECT_EQ(window.Text(Combo2), "115x200");
    EXPECT_EQ(edit->cursorPosition(), 4);

    // The exact text of an item, confirmed with Enter and left with Tab, is still only text.
    edit->selectAll();
    QTest::keyClicks(edit, "9600");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(combo, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), combo);
    EXPECT_EQ(window.SelectedIndex(Combo2), -1);
    EXPECT_EQ(window.Text(Combo2), "9600");
    EXPECT_EQ(window.Items(Combo2).size(), 6u);

    // Picking with the arrow key selects again.
    window.SetFocus(Combo2);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(window.SelectedIndex(Combo2), 0);
    EXPECT_EQ(window.Text(Combo2), "4800");
}

// A port name longer than the chooser shows its end, which tells ports apart, whether it was
// picked from the list or typed, with the port open (the chooser disabled) or closed again.
TEST(Form1Window, APortNameTooLongForTheChooserShowsItsEnd) {
    Form1Window window;
    ShowActive(window);
    QLineEdit* edit = Find<QComboBox>(window, Combo1)->lineEdit();
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    // The characters shown at the text portion's two edges.
    const auto shownEdges = [edit] {
        edit->repaint();  // a line edit scrolls its text when it paints
        const QRect room = edit->contentsRect();
        return std::pair{edit->cursorPositionAt(QPoint(room.left() + 3, room.center().y())),
                         edit->cursorPositionAt(QPoint(room.right() - 3, room.center().y()))};
    };
    const auto expectEndShown = [&](const std::string& name, const char* when) {
        const auto [first, last] = shownEdges();
        const int length = static_cast<int>(name.size());
        EXPECT_GE(last, length - 1) << name << " " << when;
        EXPECT_GT(first, length / 3) << name << " " << when << ": its start is shown";
    };

    window.ClearItems(Combo1);
    window.AddItem(Combo1, byId);
    ASSERT_TRUE(window.SetSelectedIndex(Combo1, 0));
    expectEndShown(byId, "when picked");
    window.SetEnabled(Combo1, false);
    expectEndShown(byId, "while the port is open");
    window.SetEnabled(Combo1, true);
    expectEndShown(byId, "after the port is closed");

    window.SetText(Combo1, "/dev/pts/123456789012");
    expectEndShown("/dev/pts/123456789012", "when set");

    // A short name is shown whole, from its start.
    window.SetText(Combo1, "ttyUSB0");
    EXPECT_EQ(shownEdges().first, 0);
}

// --- clicks ---

TEST(Form1Window, ClicksReachTheHandlerOnlyFromEnabledButtons) {
    Form1Window window;
    std::vector<Widget> clicks;
    window.SetClickHandler([&](Widget w) { clicks.push_back(w); });
    ShowActive(window);
    auto button = [&](Widget w) { return Find<QPushButton>(window, w); };

    QTest::mouseClick(button(Command1), Qt::LeftButton);
    window.SetEnabled(Command2, false);
    QTest::mouseClick(button(Command2), Qt::LeftButton);
    QTest::mouseClick(button(Command3), Qt::LeftButton);
    QTest::mouseClick(button(Command4), Qt::LeftButton);
    EXPECT_EQ(clicks, (std::vector<Widget>{Command1, Command3, Command4}));

    // No default and no cancel button: Enter and Escape press nothing, in a field or on a
    // focused button. Space presses the focused button.
    clicks.clear();
    for (Widget focus : {Text1, Combo2, Command1}) {
        window.SetFocus(focus);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    EXPECT_TRUE(clicks.empty());
    window.SetFocus(Command1);
    QTest::keyClick(button(Command1), Qt::Key_Space);
    EXPECT_EQ(clicks, std::vector<Widget>{Command1});
}

// --- the operations, against the display-less model ---

// What the operator would see of one widget.
struct Seen {
    std::string name, text;
    int selected = -1;
    std::vector<std::string> items;
    bool enabled = true;
    bool operator==(const Seen&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Seen& s) {
        out << s.name << " '" << s.text << "' #" << s.selected << " of " << s.items.size()
            << (s.enabled ? "" : " disabled");
        return out;
    }
};

template <typename Window>
std::vector<Seen> Observe(const Window& window) {
    std::vector<Seen> all;
    for (const ui::WidgetDefaults& d : ui::AllWidgets()) {
        Seen s;
        s.name = d.name;
        s.text = window.Text(d.widget);
        s.enabled = window.IsEnabled(d.widget);
        if (IsList(d.widget)) {
            s.selected = window.SelectedIndex(d.widget);
            const auto& items = window.Items(d.widget);
            s.items.assign(items.begin(), items.end());
        }
        all.push_back(std::move(s));
    }
    return all;
}

TEST(Form1Window, OperationsActAsOnTheWindowModel) {
    enum Op { Caption, Text, Select, Clear, Add, Enable, Disable };
    struct Step {
        Op op;
        Widget widget;
        int index = 0;
        const char* text = "";
    };
    const Step steps[] = {
        {Select, Combo2, 5},
        {Select, Combo2, 6},   // past the last item: refused
        {Select, Combo3, -1},  // refused
        {Select, Combo4, 2},
        {Select, Combo8, 3},
        {Select, Combo7, 1},
        {Select, Combo3, 1},
        {Text, Combo3, 0, "xyz"},  // the selection stays
        {Select, Combo3, 1},
        {Clear, Combo1},
        {Select, Combo1, 0},  // an empty list: refused
        {Add, Combo1, 0, "ttyUSB0"},
        {Add, Combo1, 0, "ttyUSB1"},
        {Select, Combo1, 0},
        {Add, Combo1, 0, "/dev/pts/3"},  // appended; the selection stays
        {Select, Combo5, 2},
        {Clear, Combo5},  // empties the text portion too
        {Caption, Command1, 0, "关闭串口"},
        {Caption, Label18, 0, "正在加载配置参数"},
        {Caption, Label20, 0, "Ver0102"},
        {Text, Text1, 0, "247"},
        {Text, Text10, 0, "-123456"},
        {Text, Text10, 0, "-123456"},  // the same text again
        {Text, Text10, 0, "-12345"},
        {Caption, Label18, 0, "正在加载配置参数"},
        {Caption, Label18, 0, "正在加载"},
        {Text, Text9, 0, ""},
        {Disable, Command2},
        {Disable, Command5},
        {Disable, Combo1},
        {Enable, Combo1},
    };
    auto apply = [](ui::WindowOperations& w, const Step& s) {
        switch (s.op) {
            case Caption:
                w.SetCaption(s.widget, s.text);
                break;
            case Text:
                w.SetText(s.widget, s.text);
                break;
            case Select:
                return w.SetSelectedIndex(s.widget, s.index);
            case Clear:
                w.ClearItems(s.widget);
                break;
            case Add:
                w.AddItem(s.widget, s.text);
                break;
            case Enable:
                w.SetEnabled(s.widget, true);
                break;
            case Disable:
                w.SetEnabled(s.widget, false);
                break;
        }
        return true;
    };

    ui::WindowModel model;
    Form1Window window;
    EXPECT_EQ(Observe(window), Observe(model)) << "as created";
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message()
                     << "step " << (&step - steps) << " on " << ui::NameOf(step.widget));
        EXPECT_EQ(apply(window, step), apply(model, step));
        EXPECT_EQ(Observe(window), Observe(model));
    }
}

// Counts the repaints of some widgets and the layout requests that reach the window.
class PaintCounter : public QObject {
public:
    int paints = 0;
    int layoutRequests = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        } else if (event->type() == QEvent::LayoutRequest) {
            ++layoutRequests;
        }
        return QObject::eventFilter(watched, event);
    }
};

TEST(Form1Window, ANewTextRepaintsItsWidgetWithoutALayoutPassOverTheWindow) {
    // The live position changes on every reply of a turning shaft: only its field is repainted.
    for (const Widget w : {Text10, Label18, Label20, Command1}) {
        SCOPED_TRACE(ui::NameOf(w));
        Form1Window window;
        ShowActive(window);
        QApplication::processEvents();
        PaintCounter counter;
        window.QtWidget(w)->installEventFilter(&counter);
        window.installEventFilter(&counter);
        for (const char* text : {"1234", "12345", "1234567890"}) {
            window.SetText(w, text);
            QApplication::processEvents();
            EXPECT_EQ(window.Text(w), text);
        }
        EXPECT_GE(counter.paints, 1) << "a new text is shown";
        EXPECT_EQ(counter.layoutRequests, 0);
    }
}

}  // namespace

namespace {

// Combo1 keeps its size, but its drop-down opens as wide as its longest entry, after the handler
// has had its say; each entry carries the tooltip given for it.
TEST(Form1Window, DropDownAsksFirstAndIsAsWideAsItsLongestEntry) {
    const std::string longest = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1B2C-if00-port0";
    Form1Window window;
    window.SetItemToolTips(Combo1,
                           [](std::string_view item) { return "tip " + std::string(item); });
    std::vector<Widget> asked;
    window.SetDropDownHandler([&](Widget list) {
        asked.push_back(list);
        window.AddItem(list, longest);
    });
    ShowActive(window);
    auto* combo = Find<QComboBox>(window, Combo1);
    const int width = combo->width();

    combo->showPopup();
    EXPECT_EQ(asked, std::vector<Widget>{Combo1});
    ASSERT_TRUE(QTest::qWaitFor([&] { return combo->view()->isVisible(); }, 2000));
    const int needed =
        QFontMetrics(combo->view()->font()).horizontalAdvance(QString::fromStdString(longest));
    EXPECT_GE(combo->view()->viewport()->width(), needed);
    EXPECT_EQ(combo->width(), width);
    EXPECT_EQ(combo->itemData(combo->count() - 1, Qt::ToolTipRole).toString().toStdString(),
              "tip " + longest);
    combo->hidePopup();
}

}  // namespace

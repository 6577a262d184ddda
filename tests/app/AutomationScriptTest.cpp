// Plays one script against a window holding every kind of control the steps drive, through
// the program's own automation player, and checks what each step did to the window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <cstdlib>

#include "app/AutomationScript.h"
#include "platform/ComboList.h"
#include "platform/FlexGrid.h"
#include "platform/MsgBox.h"
#include "platform/TabStrip.h"
#include "platform/TextBox.h"
#include "shell/MessageBox.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/GuiEvents.h"

namespace {

// What the controls' events reported.
struct Seen {
    int toggles = 0;
    int listClicks = 0, listRow = -1;
    int comboClicks = 0;
    int tabClicks = 0;
    int gridClicks = 0, gridRow = -1, gridCol = -1;
    int keyUps = 0;
    QList<int> keyPresses;
    platform::MsgResult answer = platform::MsgResult::OK;
    int after = 0;
    bool yielding = false, afterInYield = false;
    bool done = false;
};

template <typename T>
T* add(QWidget* window, const char* name) {
    auto* w = new T(window);
    w->setObjectName(name);
    window->layout()->addWidget(w);
    return w;
}

QPushButton* button(QWidget* window, const char* name, std::function<void()> action) {
    auto* b = add<QPushButton>(window, name);
    QObject::connect(b, &QPushButton::clicked, std::move(action));
    return b;
}

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace

TEST(AutomationScript, EveryStepDrivesItsControlAsTheUserWould) {
    TempProgramFolder folder;  // skins for the skinned box
    QTemporaryDir dir;
    Seen seen;
    QWidget window;
    window.setObjectName("probe");
    new QVBoxLayout(&window);

    auto* chk = add<QCheckBox>(&window, "chk");
    QObject::connect(chk, &QCheckBox::toggled, [&] { ++seen.toggles; });
    auto* lst = add<QListWidget>(&window, "lst");
    lst->addItems({"甲", "乙", "丙"});
    QObject::connect(lst, &QListWidget::itemClicked, [&](QListWidgetItem* item) {
        ++seen.listClicks;
        seen.listRow = lst->row(item);
    });
    auto* cmb = add<platform::ComboList>(&window, "cmb");
    for (const char* s : {"年", "半年", "季度"}) cmb->AddItem(s);
    QObject::connect(cmb, &platform::ComboList::Click, [&] { ++seen.comboClicks; });
    auto* tabs = add<platform::TabStrip>(&window, "tabs");
    for (const char* s : {"一", "二", "三"}) tabs->Add(s);
    tabs->setMinimumHeight(40);
    QObject::connect(tabs, &platform::TabStrip::Click, [&] { ++seen.tabClicks; });
    auto* grid = add<platform::FlexGrid>(&window, "grid");
    grid->setRows(30);
    grid->setCols(3);
    grid->setTextMatrix(1, 1, "1\t2");
    grid->setTextMatrix(29, 2, "末");
    QObject::connect(grid, &platform::FlexGrid::Click, [&] {
        ++seen.gridClicks;
        seen.gridRow = grid->Row();
        seen.gridCol = grid->Col();
    });
    auto* txt = add<platform::TextBox>(&window, "txt");
    QObject::connect(txt, &platform::TextBox::KeyUp, [&] { ++seen.keyUps; });
    QObject::connect(txt, &platform::TextBox::KeyPress, [&](int& k) { seen.keyPresses << k; });
    auto* txt2 = add<platform::TextBox>(&window, "txt2");
    button(&window, "ask", [&] {
        seen.answer = platform::MsgBox("第一行\n第二行", platform::MsgButtons::YesNo, "标题");
    });
    button(&window, "skinned", [] { ShowMsgBox("皮肤", 0, "提示"); });
    // Its action yields to the event loop, as the skin does: the next step waits for it.
    button(&window, "yields", [&] {
        seen.yielding = true;
        gui::waitFor([&] { return seen.after > 0; }, 300);
        seen.yielding = false;
    });
    button(&window, "after", [&] {
        seen.afterInYield = seen.yielding;
        ++seen.after;
    });
    button(&window, "done", [&] { seen.done = true; });
    window.resize(400, 700);
    window.show();

    const QString script = dir.filePath("script.txt"), log = dir.filePath("messages.log"),
                  dump = dir.filePath("grid.tsv");
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QString("expect probe\n"
                    "check chk 1\ncheck chk 1\n"
                    "select lst 2\nselect cmb 1\ntab tabs 3\n"
                    "cell grid 25 2\n"
                    "key txt Esc\ntype a1中文\nkey focus Tab\n"
                    "dump grid %1\n"
                    "answer Yes\nclick ask\n"
                    "click skinned\nclick cmdOK\n"
                    "click yields\nclick after\n"
                    "click done\n")
                .arg(dump)
                .toUtf8());
    f.close();
    setenv("PRAVELTA_AUTOMATION", qPrintable(script), 1);
    setenv("PRAVELTA_MSGLOG", qPrintable(log), 1);
    StartAutomationIfRequested();
    ASSERT_TRUE(gui::waitFor([&] { return seen.done; }, 30000));

    EXPECT_TRUE(chk->isChecked());
    EXPECT_EQ(seen.toggles, 1);  // a box already ticked is left alone
    EXPECT_EQ(seen.listClicks, 1);
    EXPECT_EQ(seen.listRow, 2);
    EXPECT_EQ(seen.comboClicks, 1);
    EXPECT_EQ(cmb->ListIndex(), 1);
    EXPECT_EQ(seen.tabClicks, 1);
    EXPECT_EQ(tabs->SelectedIndex(), 3);
    // Row 25 lies below the grid's view: it is scrolled in, then clicked.
    EXPECT_EQ(seen.gridClicks, 1);
    EXPECT_EQ(seen.gridRow, 25);
    EXPECT_EQ(seen.gridCol, 2);
    // Esc, then one press and one release per ASCII character; Chinese comes committed.
    EXPECT_EQ(seen.keyPresses, (QList<int>{27, 'a', '1'}));
    EXPECT_EQ(seen.keyUps, 3);
    EXPECT_EQ(txt->text(), "a1中文");
    EXPECT_EQ(window.focusWidget(), txt2);
    const QStringList rows = readAll(dump).split('\n');
    ASSERT_EQ(rows.size(), 31);  // 30 rows and the final line break
    EXPECT_EQ(rows[1], "\t1 2\t");
    EXPECT_EQ(rows[29], "\t\t末");
    EXPECT_EQ(seen.answer, platform::MsgResult::Yes);
    EXPECT_EQ(seen.after, 1);
    EXPECT_FALSE(seen.afterInYield);
    EXPECT_EQ(readAll(log), "标题\tYesNo\t第一行\\n第二行\n提示\tOK\t皮肤\n");
    platform::SetMsgObserver({});
}

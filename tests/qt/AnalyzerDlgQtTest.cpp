// The real main dialog logic in the real window: start-up, browsing for a file, the messages
// it shows, and how it ends.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <map>

#include "ShownDialog.hpp"
#include "TextRoom.hpp"
#include "app/AnalyzerDlg.hpp"
#include "qt/PanelWidget.hpp"
#include "resources/ControlIds.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::qt::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace st = platform::style;

struct Shown {
    int number;
    std::string caption;
    std::string text;
    friend bool operator==(const Shown&, const Shown&) = default;
    friend void PrintTo(const Shown& s, std::ostream* out) {
        *out << s.number << " " << s.caption << ": " << s.text;
    }
};

class AnalyzerWindowTest : public ::testing::Test {
protected:
    AnalyzerWindowTest() {
        services.messageSink = [this](QWidget* owner, const FormattedMessage& m) {
            messages.push_back({m.number, m.caption, m.text});
            owners.push_back(owner);
            if (onMessage) onMessage();
        };
        services.openFileSink = [this](QWidget*, const platform::OpenFileRequest& r) {
            requests.push_back(r);
            return answer;
        };
    }

    // Processes the demo raw file in the dialog, as typing its path and clicking "Process" does.
    void processDemo(ShownDialog& dialog) {
        const korvane::test::DngDescription d = korvane::test::demoDescription();
        demo.emplace(korvane::test::buildDng(d, korvane::test::demoScene(d)), "demo.dng");
        dialog.window().setText(ids::kPathEdit, demo->path());
        QTest::mouseClick(dialog.control(ids::kProcess), Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    QtServices services;
    std::optional<korvane::test::TempFile> demo;
    std::vector<Shown> messages;
    std::vector<QWidget*> owners;
    std::function<void()> onMessage;
    std::vector<platform::OpenFileRequest> requests;
    std::optional<std::string> answer;
};

const Shown kTooShort{3, "Image input file processing error", "Input file too short for TIFF"};

TEST_F(AnalyzerWindowTest, StartsWithTheControlsAsTheLogicSetsThemUp) {
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    QtDialogWindow& w = dialog.window();
    EXPECT_EQ(w.title(), "Lumbrecht Raw Image Analysis Version " KORVANE_EXPECTED_VERSION);
    EXPECT_EQ(w.focus(), ids::kBrowse);
    EXPECT_FALSE(w.isEnabled(ids::kExposureSlider));
    EXPECT_EQ(w.position(ids::kExposureSlider), 48);
    EXPECT_TRUE(w.isChecked(ids::kRadioComposite));
    EXPECT_FALSE(w.isChecked(ids::kBlackR));
    EXPECT_TRUE(w.isChecked(ids::kWhiteR));
    EXPECT_FALSE(w.isVisible(ids::kMapped));
    EXPECT_FALSE(w.items(ids::kMappingCombo).empty());
    EXPECT_EQ(w.selection(ids::kMappingCombo), 0);
    EXPECT_EQ(w.text(ids::kWhiteEdit), "4095");
    ASSERT_FALSE(w.systemMenu().empty());
    EXPECT_EQ(w.systemMenu().front().first, ids::kAboutMenuCommand);
}

TEST_F(AnalyzerWindowTest, ShowsTheLogicsColoursWhiteWhenDisabled) {
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    QWidget* clipping = dialog.control(ids::kShowClipping);
    QWidget* blackRed = dialog.control(ids::kBlackR);
    clipping->repaint();
    blackRed->repaint();
    EXPECT_EQ(clipping->palette().color(QPalette::WindowText), QColor(0, 96, 0));
    EXPECT_EQ(blackRed->palette().color(QPalette::Disabled, QPalette::WindowText),
              QColor(255, 255, 255));
}

TEST_F(AnalyzerWindowTest, ShowsEveryTextWholeInTheLogicsFonts) {
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    for (const auto& t : resources::mainDialogTemplate().controls) {
        if (!dialog.window().isVisible(t.id) || t.kind == platform::ControlKind::Edit) continue;
        const TextRoom room = textRoom(dialog.control(t.id), t);
        EXPECT_LE(room.needed, room.available)
            << "control " << t.id << " \"" << dialog.window().text(t.id) << "\" is clipped";
    }
}

TEST_F(AnalyzerWindowTest, BrowsingForATooShortFileSaysSo) {
    const korvane::test::TempFile file(korvane::test::countingBytes(25));
    answer = file.path();
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    // While the message is up, "Process" shows the phase the load stopped in.
    bool processOwnerDrawn = false;
    onMessage = [&] { processOwnerDrawn = dialog.window().isOwnerDrawn(ids::kProcess); };

    QTest::mouseClick(dialog.control(ids::kBrowse), Qt::LeftButton);

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Select raw image file to process");
    EXPECT_THAT(messages, ElementsAre(kTooShort));
    EXPECT_THAT(owners, ElementsAre(&dialog.widget()));
    EXPECT_TRUE(processOwnerDrawn);
    EXPECT_FALSE(dialog.window().isOwnerDrawn(ids::kProcess));
    EXPECT_EQ(dialog.window().text(ids::kPathEdit), file.path());
}

TEST_F(AnalyzerWindowTest, CancelledBrowsingDoesNothing) {
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    QTest::mouseClick(dialog.control(ids::kBrowse), Qt::LeftButton);
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_THAT(messages, IsEmpty());
    EXPECT_EQ(dialog.window().text(ids::kPathEdit), "");
}

TEST_F(AnalyzerWindowTest, EnterInThePathEditProcessesThePath) {
    const korvane::test::TempFile file(korvane::test::countingBytes(20));
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    QTest::mouseClick(dialog.control(ids::kPathEdit), Qt::LeftButton);
    dialog.window().setText(ids::kPathEdit, file.path());
    QTest::keyClick(dialog.handle(), Qt::Key_Return);
    EXPECT_THAT(messages, ElementsAre(kTooShort));
}

TEST_F(AnalyzerWindowTest, FileOnTheCommandLineIsProcessedAtStart) {
    const korvane::test::TempFile file(korvane::test::countingBytes(25), "short file.nef");
    CAnalyzerDlg logic(services, "\"" + file.path() + "\" -h");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    EXPECT_THAT(messages, ElementsAre(kTooShort));
    EXPECT_TRUE(dialog.window().isChecked(ids::kRadioHistogram));
}

TEST_F(AnalyzerWindowTest, ProcessingTheDemoShowsItsPictureAndGreyscaleRedrawsIt) {
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    processDemo(dialog);
    ASSERT_THAT(messages, IsEmpty());
    auto* panel = dialog.control<PanelWidget>(ids::kPanel);
    // What the panel shows, one sample per picture pixel (device pixels at a scale of 2).
    const auto shown = [panel] {
        const QImage grabbed = panel->grab().toImage();
        const qreal scale = grabbed.devicePixelRatio();
        const QRect client = panel->contentsRect();
        QImage out(client.size(), QImage::Format_RGB32);
        for (int y = 0; y < client.height(); ++y)
            for (int x = 0; x < client.width(); ++x)
                out.setPixel(
                    x, y,
                    grabbed.pixel((QPointF(client.topLeft() + QPoint(x, y)) * scale).toPoint()));
        return out;
    };
    const QImage composite = shown();
    const platform::Surface& surface = dialog.window().panelSurface();
    int coloured = 0;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x) {
            const QRgb p = composite.pixel(x, y) & 0xFFFFFF;
            ASSERT_EQ(p, surface.pixel(x, y)) << x << "," << y; // pixel for pixel
            if (p != 0 && p != 0xFFFFFF) ++coloured;
        }
    EXPECT_GT(coloured, surface.width() * surface.height() / 4);
    QTest::mouseClick(dialog.control(ids::kRadioGreyscale), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(logic.imageSubMode(), ImageSubMode::Greyscale);
    EXPECT_NE(shown(), composite);
}

// The pixel information and the level counts: every line of each text has room, wrapped
// where the control wraps, the longest line too.
TEST_F(AnalyzerWindowTest, ShowsEveryLineOfThePixelInformationAndTheCounts) {
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    processDemo(dialog);
    ASSERT_THAT(messages, IsEmpty());
    logic.setPanelSelection(10, 10, 40, 30);
    QCoreApplication::processEvents();
    for (const int id : {ids::kStatisticsText, ids::kCoordinatesText, ids::kZoomText,
                         ids::kWhiteStatistics, ids::kBlackStatistics}) {
        auto* label = dialog.control<QLabel>(id);
        const std::string text = label->text().toStdString();
        ASSERT_TRUE(label->isVisible()) << "control " << id;
        ASSERT_GE(label->text().split(QLatin1Char('\n')).size(), 2)
            << "control " << id << " \"" << text << "\"";
        const QRect room = label->contentsRect();
        const QSize needed = label->sizeHint();
        if (label->wordWrap()) {
            EXPECT_LE(label->heightForWidth(room.width()), room.height())
                << "control " << id << " shows only some lines of \"" << text << "\"";
        } else {
            EXPECT_LE(needed.height(), room.height())
                << "control " << id << " shows only some lines of \"" << text << "\"";
            EXPECT_LE(needed.width(), room.width())
                << "control " << id << " is clipped: \"" << text << "\"";
        }
    }
}

// A right-button drag over the picture selects whole cells and the statistics appear; the
// pointer resting on the picture names the sample under it.
TEST_F(AnalyzerWindowTest, ARightButtonDragSelectsCellsAndTheTooltipNamesTheSample) {
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    processDemo(dialog);
    ASSERT_THAT(messages, IsEmpty());
    auto* panel = dialog.control<PanelWidget>(ids::kPanel);
    const PanelGeometry& g = logic.panel().geometry;
    const QPoint client = panel->contentsRect().topLeft();
    const QPoint from = client + QPoint(g.originX + 11, g.originY + 9);
    const QPoint to = from + QPoint(37, 23);
    QTest::mousePress(panel, Qt::RightButton, Qt::NoModifier, from);
    EXPECT_EQ(logic.panel().mouseState, MouseState::Selecting);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), panel->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &move);
    QTest::mouseRelease(panel, Qt::RightButton, Qt::NoModifier, to);
    QCoreApplication::processEvents();
    ASSERT_TRUE(logic.selectionValid());
    const PanelSelection& s = logic.panel().selection;
    EXPECT_EQ((s.right - s.left + 1) % 2, 0);
    EXPECT_EQ((s.left - g.originX) % 2, 0);
    EXPECT_GE(s.right - s.left, 36);
    EXPECT_EQ(logic.panel().mouseState, MouseState::Hover);
    EXPECT_FALSE(dialog.control<QLabel>(ids::kStatisticsText)->text().isEmpty());
    const std::string tip = logic.panelToolTip({g.originX + 11, g.originY + 9});
    EXPECT_EQ(tip.rfind("row ", 0), 0u) << tip;
    EXPECT_EQ(logic.panelToolTip({0, 0}), "") << "nothing in the margins";
}

// Histogram mode draws the three histograms into the panel; Ctrl+C puts them on Qt's
// clipboard.
TEST_F(AnalyzerWindowTest, HistogramModeShowsThreeHistogramsAndCtrlCCopiesThem) {
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    processDemo(dialog);
    QTest::mouseClick(dialog.control(ids::kRadioHistogram), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(logic.displayMode(), DisplayMode::Histogram);
    ASSERT_THAT(messages, IsEmpty());
    const platform::Surface& surface = dialog.window().panelSurface();
    // Each of the three panels holds bars of its own colour.
    const platform::Rgb colours[] = {0xC00000, 0x00A000, 0x0000FF};
    for (int panel = 0; panel < 3; ++panel) {
        int bars = 0;
        for (int y = 15 + 155 * panel; y < 15 + 155 * panel + 132; ++y)
            for (int x = 12; x < 12 + 526 && x < surface.width(); ++x)
                bars += surface.pixel(x, y) == colours[panel];
        EXPECT_GT(bars, 50) << "panel " << panel;
    }
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(dialog.handle(), Qt::Key_C, Qt::ControlModifier);
    QCoreApplication::processEvents();
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(copied.width(), surface.width());
    EXPECT_EQ(copied.pixel(5, 5) & 0xFFFFFF, 0x808080u);
}

// Real key events reach the key tables: keypad + zooms, Ctrl+L turns the picture, Ctrl+H
// shows the histograms.
TEST_F(AnalyzerWindowTest, KeysZoomTurnAndSwitchToTheHistograms) {
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    processDemo(dialog);
    ASSERT_THAT(messages, IsEmpty());
    QTest::keyClick(dialog.handle(), Qt::Key_Plus, Qt::KeypadModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(logic.magnification(), 2) << "one zoom step for one key";
    EXPECT_EQ(dialog.control<QLabel>(ids::kZoomText)->text().toStdString(), "Zoom\n  2:1");
    QTest::keyClick(dialog.handle(), Qt::Key_L, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(logic.image()->orientation, 8) << "a quarter turn counter-clockwise from as stored";
    QTest::keyClick(dialog.handle(), Qt::Key_H, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(logic.displayMode(), DisplayMode::Histogram);
    EXPECT_TRUE(dialog.control(ids::kRadioHistogram)->property("checked").toBool());
}

// A wider (and taller) window gives the panel only free room: no control of the right-hand
// column, the command row or the texts below stands on the panel or its scroll bars; the
// start size brings the start layout back.
TEST_F(AnalyzerWindowTest, AWiderWindowKeepsEveryControlOffThePanel) {
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    processDemo(dialog);
    const auto geometries = [&] {
        std::map<int, QRect> rects;
        for (const auto& t : resources::mainDialogTemplate().controls)
            rects[t.id] = dialog.control(t.id)->geometry();
        return rects;
    };
    const auto start = geometries();
    const QSize startSize = dialog.widget().size();
    for (const QSize grown : {startSize + QSize(400, 0), startSize + QSize(250, 180)}) {
        dialog.widget().resize(grown);
        QCoreApplication::processEvents();
        ASSERT_EQ(dialog.widget().size(), grown);
        const auto now = geometries();
        EXPECT_GT(now.at(ids::kPanel).width(), start.at(ids::kPanel).width());
        for (const int area : {ids::kPanel, ids::kHScroll, ids::kVScroll})
            for (const auto& [id, rect] : now) {
                if (id == ids::kPanel || id == ids::kHScroll || id == ids::kVScroll) continue;
                EXPECT_FALSE(rect.intersects(now.at(area)))
                    << "control " << id << " overlaps " << area << " in a window of "
                    << grown.width() << "x" << grown.height();
            }
    }
    dialog.widget().resize(startSize);
    QCoreApplication::processEvents();
    EXPECT_EQ(geometries(), start);
}

// ---------------------------------------------------------------------------------------------
// The program's run

class AnalyzerRunTest : public AnalyzerWindowTest {
protected:
    // Runs the program with `act` done to the main dialog once it shows.
    int run(const std::string& commandLine, std::function<void(QtDialogWindow&)> act) {
        services.onDialogShown = [this, act](QtDialogWindow& w) {
            shown.push_back(w.dialogTemplate().id);
            if (w.dialogTemplate().id != ids::kMainDialog) return;
            QTimer::singleShot(0, &w.widget(), [act, &w] { act(w); });
            // A dialog that ignores what it is told must not hang the tests.
            QTimer::singleShot(5000, &w.widget(), [&w] { w.endDialog(-1); });
        };
        return CAnalyzerApp(services).run(commandLine);
    }
    std::vector<int> shown;
};

TEST_F(AnalyzerRunTest, EscapeEndsItWithCancel) {
    EXPECT_EQ(
        run("",
            [](QtDialogWindow& w) { QTest::keyClick(w.widget().windowHandle(), Qt::Key_Escape); }),
        2);
}

TEST_F(AnalyzerRunTest, CloseBoxEndsItWithCancel) {
    EXPECT_EQ(run("", [](QtDialogWindow& w) { w.widget().close(); }), 2);
}

TEST_F(AnalyzerRunTest, FinishEndsItWithOne) {
    EXPECT_EQ(run("",
                  [](QtDialogWindow& w) {
                      QTest::mouseClick(w.controlWidget(ids::kFinish), Qt::LeftButton);
                  }),
              1);
}

// Help hands the guide beside the program to the desktop's opener: the user guide itself.
TEST_F(AnalyzerRunTest, HelpOpensTheUserGuideBesideTheProgram) {
    std::vector<std::string> opened;
    services.openDocumentSink = [&opened](const std::string& path) {
        opened.push_back(path);
        return true;
    };
    run("", [](QtDialogWindow& w) {
        QTest::mouseClick(w.controlWidget(ids::kHelp), Qt::LeftButton);
        w.endDialog(1);
    });
    const std::string beside =
        QCoreApplication::applicationDirPath().toStdString() + "/KorvaneGuideAll.htm";
    ASSERT_THAT(opened, ElementsAre(beside));
    std::ifstream in(beside);
    const std::string html{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(html.find("<title>Korvane user guide</title>"), std::string::npos);
}

TEST_F(AnalyzerRunTest, InvalidCommandLineSaysSoAndNeverShowsTheWindow) {
    EXPECT_EQ(run("\"\"", [](QtDialogWindow& w) { w.endDialog(-1); }), 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].number, 1);
    EXPECT_THAT(shown, IsEmpty());
}

TEST_F(AnalyzerRunTest, AboutBoxComesFromTheWindowMenuWithTheVersion) {
    std::string version;
    const int result = run("", [this, &version](QtDialogWindow& main) {
        services.onDialogShown = [&version](QtDialogWindow& about) {
            version = about.text(ids::kAboutVersion);
            QTimer::singleShot(0, &about.widget(), [&about] {
                QTest::mouseClick(about.controlWidget(ids::kOk), Qt::LeftButton);
            });
        };
        main.handler()->onSystemCommand(ids::kAboutMenuCommand);
        main.handler()->onCommand(ids::kFinish, platform::Notification::Clicked);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(version, "Version " KORVANE_EXPECTED_VERSION);
}

} // namespace
} // namespace korvane::qt::test

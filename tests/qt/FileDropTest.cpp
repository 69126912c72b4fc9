// A raw file dragged from a file manager and dropped on the main window, anywhere on it: its
// path goes into the path edit and it is processed, as Browse and Process do.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

#include "ShownDialog.hpp"
#include "app/AnalyzerDlg.hpp"
#include "resources/ControlIds.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::qt::test {
namespace {

// What a file manager's drag carries: the file's URL, and its path as text.
std::unique_ptr<QMimeData> fileDrag(const std::string& path) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    data->setText(QString::fromStdString(path));
    return data;
}

// Enters `target` with the drag and drops it there; whether the entry was accepted.
bool dragAndDrop(QWidget* target, const QMimeData& data) {
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

TEST(FileDrop, ADroppedFileIsProcessedWhereverItLands) {
    QtServices services;
    std::vector<int> messages;
    services.messageSink = [&](QWidget*, const FormattedMessage& m) {
        messages.push_back(m.number);
    };
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    EXPECT_TRUE(dialog.widget().acceptDrops());

    const korvane::test::DngDescription d = korvane::test::demoDescription();
    const korvane::test::TempFile first(korvane::test::buildDng(d, korvane::test::demoScene(d)),
                                        "first.dng");
    const korvane::test::TempFile second(korvane::test::buildDng(d, korvane::test::demoScene(d)),
                                         "second.dng");

    // On the dialog itself.
    ASSERT_TRUE(dragAndDrop(&dialog.widget(), *fileDrag(first.path())));
    EXPECT_EQ(dialog.control<QLineEdit>(ids::kPathEdit)->text().toStdString(), first.path());
    ASSERT_TRUE(logic.imageDecoded());
    EXPECT_EQ(logic.file()->path, first.path());

    // On the path edit, which would otherwise insert the dragged text.
    ASSERT_TRUE(dragAndDrop(dialog.control(ids::kPathEdit), *fileDrag(second.path())));
    EXPECT_EQ(dialog.control<QLineEdit>(ids::kPathEdit)->text().toStdString(), second.path());
    ASSERT_TRUE(logic.imageDecoded());
    EXPECT_EQ(logic.file()->path, second.path());
    EXPECT_TRUE(messages.empty());

    // Text alone, or a URL that is no local file, is not taken.
    QMimeData text;
    text.setText("not a file");
    EXPECT_FALSE(dragAndDrop(&dialog.widget(), text));
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/a.dng")});
    EXPECT_FALSE(dragAndDrop(&dialog.widget(), remote));
    EXPECT_EQ(logic.file()->path, second.path());
}

TEST(FileDrop, AWindowWhoseLogicTakesNoFilesAcceptsNoDrops) {
    // Tool dialogs, like this plain handler, do not take files: Qt's own handling stays.
    struct Plain final : platform::DialogHandler {
        void onInitDialog(platform::DialogWindow&) override {}
        void onCommand(int, platform::Notification) override {}
    } plain;
    QtServices services;
    ShownDialog dialog(services, ids::kMainDialog, plain);
    EXPECT_FALSE(dialog.widget().acceptDrops());
}

} // namespace
} // namespace korvane::qt::test

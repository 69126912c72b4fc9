#include "qt/QtServices.hpp"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QUrl>
#include <cmath>

#include "qt/DialogWidget.hpp"
#include "qt/SurfaceImage.hpp"
#include "resources/DialogTemplates.hpp"

namespace korvane::qt {

namespace {

QWidget* widgetOf(platform::DialogWindow* window) {
    auto* dialog = dynamic_cast<QtDialogWindow*>(window);
    return dialog != nullptr ? &dialog->widget() : nullptr;
}

// Qt reads the pattern from the parentheses of a filter's name, and "*.*" would hide the
// files without an extension that it means on Windows.
QString fileFilter(const platform::OpenFileRequest& request) {
    QString name = QString::fromStdString(request.filterName);
    if (const auto open = name.lastIndexOf(QLatin1Char('(')); open > 0)
        name = name.left(open).trimmed();
    QString pattern = QString::fromStdString(request.filterPattern);
    if (pattern.isEmpty() || pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    return name + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

Qt::CursorShape shapeOf(platform::CursorKind cursor) {
    switch (cursor) {
    case platform::CursorKind::Hand:
        return Qt::OpenHandCursor;
    case platform::CursorKind::Cross:
        return Qt::CrossCursor;
    case platform::CursorKind::Arrow:
        break;
    }
    return Qt::ArrowCursor;
}

} // namespace

void showMessageBox(QWidget* owner, const FormattedMessage& message) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(message.caption),
                    QString::fromStdString(message.text), QMessageBox::Ok, owner);
    box.exec();
}

std::optional<std::string> askForFile(QWidget* owner, const platform::OpenFileRequest& request) {
    QFileDialog dialog(owner, QString::fromStdString(request.title), QString(),
                       fileFilter(request));
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    // A path longer than the caller takes is handed on all the same: the caller refuses it
    // with a message naming it, rather than the choice vanishing without a word.
    return dialog.selectedFiles().constFirst().toStdString();
}

bool openWithDesktop(const std::string& pathOrUrl) {
    const QString target = QString::fromStdString(pathOrUrl);
    const QUrl url =
        target.contains(QStringLiteral("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
    return QDesktopServices::openUrl(url);
}

QtServices::QtServices()
    : messageSink(showMessageBox), openFileSink(askForFile), openDocumentSink(openWithDesktop) {
    QCoreApplication::instance()->installEventFilter(&keys_);
}

QtServices::~QtServices() {
    if (cursor_ != platform::CursorKind::Arrow) QGuiApplication::restoreOverrideCursor();
}

void QtServices::messageBox(platform::DialogWindow* owner, const FormattedMessage& message) {
    if (messageSink) messageSink(widgetOf(owner), message);
}

std::optional<std::string> QtServices::openFileDialog(platform::DialogWindow* owner,
                                                      const platform::OpenFileRequest& request) {
    return openFileSink ? openFileSink(widgetOf(owner), request) : std::nullopt;
}

bool QtServices::openDocument(const std::string& pathOrUrl) {
    return openDocumentSink && openDocumentSink(pathOrUrl);
}

bool QtServices::setClipboardBitmap(const platform::Surface& picture) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr || picture.width() == 0 || picture.height() == 0) return false;
    clipboard->setImage(imageOf(picture).copy());
    return true;
}

void QtServices::setCursor(platform::CursorKind cursor) {
    // The cursor the logic shows holds over every window until it shows another, as a
    // Windows cursor set while a message is handled does until the pointer leaves.
    if (cursor == cursor_) return;
    if (cursor == platform::CursorKind::Arrow)
        QGuiApplication::restoreOverrideCursor();
    else if (cursor_ == platform::CursorKind::Arrow)
        QGuiApplication::setOverrideCursor(shapeOf(cursor));
    else
        QGuiApplication::changeOverrideCursor(shapeOf(cursor));
    cursor_ = cursor;
}

std::optional<platform::ProductVersion> QtServices::productVersion() const {
#ifdef KORVANE_VERSION_MAJOR
    return platform::ProductVersion{KORVANE_VERSION_MAJOR, KORVANE_VERSION_MINOR,
                                    KORVANE_VERSION_PATCH, KORVANE_VERSION_TWEAK};
#else
    return std::nullopt;
#endif
}

std::string QtServices::programFolder() const {
    return QCoreApplication::applicationDirPath().toStdString();
}

bool QtServices::fileExists(const std::string& path) const {
    return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile();
}

int QtServices::screenDpiY() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}

int QtServices::runModalDialog(int templateId, platform::DialogHandler& handler,
                               platform::DialogWindow* owner) {
    const platform::DialogTemplate* source = resources::findDialogTemplate(templateId);
    if (source == nullptr) return -1;
    auto* widget = new DialogWidget(*source, handler, dynamic_cast<QtDialogWindow*>(owner), *this);
    QPointer<DialogWidget> guard(widget);
    widget->window().initialise();
    const int result = widget->window().runModal();
    // The owner may have taken it along when it went.
    delete guard.data();
    return result;
}

platform::DialogWindow* QtServices::createModelessDialog(int templateId,
                                                         platform::DialogHandler& handler,
                                                         platform::DialogWindow* owner) {
    const platform::DialogTemplate* source = resources::findDialogTemplate(templateId);
    if (source == nullptr) return nullptr;
    auto* widget = new DialogWidget(*source, handler, dynamic_cast<QtDialogWindow*>(owner), *this);
    QtDialogWindow& window = widget->window();
    window.initialise();
    window.showModeless();
    return &window;
}

} // namespace korvane::qt

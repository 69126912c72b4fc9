#include "qt/Screenshot.hpp"

#include <QCoreApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "qt/DialogWidget.hpp"
#include "qt/QtServices.hpp"

namespace korvane::qt {

namespace {

// Time for the panel's first picture and the window's first paint after it is shown.
constexpr int kSettleMilliseconds = 200;

} // namespace

Screenshot::Screenshot(QtServices& services, int templateId, QString path) : path_(std::move(path)) {
    services.messageSink = [](QWidget*, const FormattedMessage& message) {
        std::fprintf(stderr, "%s: %s\n", message.caption.c_str(), message.text.c_str());
    };
    services.onDialogShown = [this, templateId](QtDialogWindow& dialog) {
        if (taken_ || dialog.dialogTemplate().id != templateId) return;
        taken_ = true;
        QTimer::singleShot(kSettleMilliseconds, &dialog.widget(), [this, &dialog] {
            QCoreApplication::processEvents();
            saved_ = dialog.widget().grab().save(path_, "PNG");
            if (!saved_) std::fprintf(stderr, "korvane: cannot write %s\n", qPrintable(path_));
            dialog.onCloseRequest();
            if (!dialog.ended()) dialog.endDialog(2);
        });
    };
}

} // namespace korvane::qt

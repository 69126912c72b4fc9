#pragma once
#include <QString>

namespace korvane::qt {

class QtServices;

// Captures a dialog once it has been shown and has drawn its picture: the first dialog of
// `templateId` goes into `path` as a PNG, then the program's windows are closed as with the
// main dialog's close box. A tool window (white balance 167, noise processing 169) is opened
// first with its key, pressed in the main dialog once that has drawn. Messages go to standard
// error meanwhile ("Caption: text"), since nobody is there to answer a box.
class Screenshot {
public:
    Screenshot(QtServices& services, int templateId, QString path);
    bool saved() const { return saved_; }

private:
    QString path_;
    bool taken_ = false;
    bool saved_ = false;
};

} // namespace korvane::qt

// window_harness.h: a main window whose message boxes and file dialog are scripted.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "data/data_modules.h"
#include "ui/Unit1.h"
#include "ui/message_boxes.h"
#include "ui/open_dialog.h"

namespace testing_support {

// Records what the window would show; confirm() answers from a script.
class RecordingBoxes : public ui::MessageBoxes {
public:
    struct Shown {
        QString kind;  // "information", "confirm" or "error"
        QString text;
    };
    std::vector<Shown> shown;
    std::deque<bool> answers;
    std::function<void(const Shown&)> onShow;  // called as each box would appear

    void information(const QString& text) override { record({"information", text}); }
    bool confirm(const QString& text) override {
        record({"confirm", text});
        const bool answer = answers.empty() ? false : answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }
    void error(const QString& message) override { record({"error", message}); }

private:
    void record(const Shown& box) {
        shown.push_back(box);
        if (onShow) onShow(box);
    }
};

// Answers the file dialog from a script and records every request.
class ScriptedDialog {
public:
    std::vector<ui::FileDialogRequest> requests;
    std::deque<ui::FileDialogAnswer> answers;

    ui::FileDialogAnswer operator()(const ui::FileDialogRequest& request) {
        requests.push_back(request);
        if (answers.empty()) return {};  // cancelled
        ui::FileDialogAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void pick(const QString& path, int filterIndex = 0) {
        answers.push_back({true, path, filterIndex});
    }
    void cancel() { answers.push_back({false, {}, 0}); }
};

// The window with its own data modules (so DM starts empty for every test).
class Window {
public:
    Window() {
        auto recording = std::make_unique<RecordingBoxes>();
        boxes = recording.get();
        form.setMessageBoxes(std::move(recording));
        form.setFileDialogRunner([this](const ui::FileDialogRequest& r) { return dialog(r); });
    }

    template <class W = QWidget>
    W* get(const char* name) {
        W* widget = form.findChild<W*>(QLatin1String(name));
        if (widget == nullptr) qFatal("no control %s", name);
        return widget;
    }
    QLineEdit* edit(int n) { return get<QLineEdit>(qPrintable(QStringLiteral("Edit%1").arg(n))); }
    void click(const char* name) { get<QAbstractButton>(name)->click(); }

    data::DataModules modules;
    ui::TForm1 form{modules};
    RecordingBoxes* boxes = nullptr;
    ScriptedDialog dialog;
};

// Restores the process's current directory at the end of a test.
class KeepCurrentDir {
public:
    KeepCurrentDir() : saved_(QDir::currentPath()) {}
    ~KeepCurrentDir() { QDir::setCurrent(saved_); }
    KeepCurrentDir(const KeepCurrentDir&) = delete;
    KeepCurrentDir& operator=(const KeepCurrentDir&) = delete;

private:
    QString saved_;
};

inline QString writeFile(const QTemporaryDir& dir, const QString& name,
                         const QByteArray& content = "x;y\n") {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(content);
    return path;
}

inline QString fixture(const char* name) {
    return QStringLiteral(BRELVANO_SHARED_DIR "/fixtures/mdb/") + QLatin1String(name);
}

// A read-write copy of an empty Jet 4 database, or an empty string without fixtures.
inline QString databaseCopy(const QTemporaryDir& dir, const QString& name = "ruolo.mdb") {
    const QString target = dir.filePath(name);
    QFile::remove(target);
    if (!QFile::copy(fixture("empty.mdb"), target)) return {};
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

}  // namespace testing_support

// ui_test_support.h - what the window and dialog tests share: a scratch working directory, files,
// showing a window for real, finding widgets, dropping paths and answering modal boxes.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/path_services.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {

// Each test runs inside its own empty working directory, left again afterwards; the scratch
// directory, the working-directory guard and the file helpers are those of every other test.
class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_guard.emplace();
        ASSERT_TRUE(ChangeDirectory(Scratch()));
    }
    void TearDown() override { m_guard.reset(); }

    std::string Scratch() const { return m_scratch.Path(); }
    std::string ScratchPath(const std::string& name) const { return m_scratch / name; }

    static void WriteFile(const std::string& path, const std::string& content) {
        testing::WriteFile(path, content);
    }
    static std::string ReadFile(const std::string& path) { return testing::ReadFile(path); }

private:
    testing::TempDir m_scratch;
    std::optional<testing::CwdGuard> m_guard;
};

// Shown and active, so that focus, shortcuts and modal boxes behave as for a user.
inline void ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
}

template <typename Widget>
Widget* FindNamed(const QObject& parent, const char* objectName) {
    auto* widget = parent.findChild<Widget*>(QString::fromLatin1(objectName));
    EXPECT_NE(widget, nullptr) << objectName;
    return widget;
}

inline QList<QUrl> LocalUrls(const std::vector<std::string>& paths) {
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    return urls;
}

// What a file manager does: enter, and drop only when the enter was accepted. True when the
// drop was accepted.
inline bool DropMime(QWidget& target, const QMimeData& mime) {
    const QPoint at = target.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    return drop.isAccepted();
}

inline bool DropUrls(QWidget& target, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    return DropMime(target, mime);
}

// Polls every 10 ms for a visible modal widget of type Dialog and hands it to `act`; after
// `count` of them, polling stops.
template <typename Dialog>
class OnModal {
public:
    explicit OnModal(std::function<void(Dialog&)> act, int count = 1)
        : m_act(std::move(act)), m_remaining(count) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) return;
            if (--m_remaining <= 0) m_timer.stop();
            ++m_seen;
            m_act(*dialog);
        });
        m_timer.start();
    }
    int Seen() const { return m_seen; }

private:
    std::function<void(Dialog&)> m_act;
    int m_remaining;
    int m_seen = 0;
    QTimer m_timer;
};

struct SeenBox {
    QString caption;
    QString text;
    bool hadYesNo = false;
    bool hadIcon = false;
};

// Answers the next `count` message boxes with `button` (or their first button), recording each.
class ModalAnswerer {
public:
    explicit ModalAnswerer(QMessageBox::StandardButton button = QMessageBox::Ok, int count = 1)
        : m_poller(
              [this, button](QMessageBox& box) {
                  m_seen.push_back({box.windowTitle(), box.text(),
                                    box.button(QMessageBox::Yes) != nullptr &&
                                        box.button(QMessageBox::No) != nullptr,
                                    box.icon() != QMessageBox::NoIcon});
                  QAbstractButton* target = box.button(button);
                  if (target == nullptr) target = box.buttons().value(0);
                  if (target != nullptr) target->click();
              },
              count) {}

    const std::vector<SeenBox>& Seen() const { return m_seen; }

private:
    std::vector<SeenBox> m_seen;
    OnModal<QMessageBox> m_poller;
};

}  // namespace quillmark::testing

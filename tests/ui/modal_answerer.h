// modal_answerer.h - answers the next modal box from inside a test and records what it said.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace quillmark::test {

struct SeenBox {
    QString caption;
    QString text;
    bool hadYesNo = false;
    bool hadIcon = false;
};

// Polls every 10 ms for an active modal QMessageBox, records it, and clicks `button` on it.
// Each box found is recorded; `count` of them are answered, then polling stops.
class ModalAnswerer {
public:
    explicit ModalAnswerer(QMessageBox::StandardButton button = QMessageBox::Ok, int count = 1)
        : m_button(button), m_remaining(count) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start();
    }

    const std::vector<SeenBox>& Seen() const { return m_seen; }

private:
    void Poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        SeenBox seen{box->windowTitle(), box->text(),
                     box->button(QMessageBox::Yes) != nullptr &&
                         box->button(QMessageBox::No) != nullptr,
                     box->icon() != QMessageBox::NoIcon};
        m_seen.push_back(seen);
        QAbstractButton* target = box->button(m_button);
        if (target == nullptr) target = box->buttons().value(0);
        if (target != nullptr) target->click();
        if (--m_remaining <= 0) m_timer.stop();
    }

    QMessageBox::StandardButton m_button;
    int m_remaining;
    std::vector<SeenBox> m_seen;
    QTimer m_timer;
};

}  // namespace quillmark::test

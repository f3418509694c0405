#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

// Presses OK on every message box the program shows, and keeps its text and the time it
// appeared on the test's clock, so that a test that expects none fails instead of waiting for
// an operator.
class MessageWatch {
public:
    struct Shown {
        std::string text;
        qint64 atMs;
    };

    MessageWatch() {
        clock_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            if (box != current_) {
                current_ = box;
                shown.push_back({box->text().toStdString(), clock_.elapsed()});
            }
            if (clock_.elapsed() - shown.back().atMs >= holdMs_) {
                current_ = nullptr;
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start();
    }

    // Leaves each box up for this long before pressing OK, as an operator who reads it does.
    void HoldEachFor(int ms) { holdMs_ = ms; }

    // Starts the clock that Shown::atMs counts on.
    void RestartClock() { clock_.restart(); }
    qint64 ElapsedMs() const { return clock_.elapsed(); }

    std::string Texts() const {
        std::string all;
        for (const Shown& s : shown) {
            all += "[" + s.text + "] ";
        }
        return all;
    }

    std::vector<Shown> shown;

private:
    QElapsedTimer clock_;
    QTimer timer_;
    QMessageBox* current_ = nullptr;
    qint64 holdMs_ = 0;
};

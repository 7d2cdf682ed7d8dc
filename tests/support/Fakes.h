// In-memory doubles of the link's and the windows' seams.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "Dialogs.h"
#include "LinkFakes.h"

namespace pace::testing {

// Answers every box at once and records it.
class RecordingDialogs : public Dialogs {
public:
    struct Box {
        QString Kind;  // "message" or "error"
        QString Text;
        QString Caption;
    };
    void Message(const QString& text, const QString& caption) override {
        Boxes.push_back({"message", text, caption});
        if (OnMessage) OnMessage(text);
    }
    void StandardError(const QString& message) override {
        Boxes.push_back({"error", StandardErrorText(message), QString()});
        if (OnError) OnError(message);
    }
    // Runs while a message box is "open", before it is answered.
    std::function<void(const QString&)> OnMessage;
    // Runs while an error box is "open", before it is answered.
    std::function<void(const QString&)> OnError;
    std::vector<Box> Boxes;
};

}  // namespace pace::testing

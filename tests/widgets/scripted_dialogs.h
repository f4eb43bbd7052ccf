#pragma once
// Dialogs for widget tests: nothing modal opens. Each kind of dialog answers from its own queue,
// in order; with its queue empty it answers as if cancelled (OK for an OK box, No for a
// question, Annulla for the three-button box). Everything shown is recorded, so that a test can assert on the texts a user saw.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/qt/dialog_provider.h"

struct ScriptedDialogs : velta::qt::DialogProvider {
    struct Message {
        std::string text;
        std::string title;
        velta::Icon icon = velta::Icon::None;
        velta::Buttons buttons = velta::Buttons::Ok;
    };

    // Answers, taken from the front.
    std::deque<velta::Answer> answers;              // message boxes
    std::deque<std::optional<std::string>> inputs;  // input boxes; nullopt = cancelled
    std::deque<std::string> openNames;              // open dialog; "" = cancelled
    std::deque<std::string> saveNames;              // save dialog; "" = cancelled
    std::deque<bool> printers;                      // printer dialog

    // What was shown.
    std::vector<Message> messages;
    std::vector<std::string> prompts;             // input box prompts
    std::vector<std::string> openDirs, saveDirs;  // starting directories of the file dialogs
    int printerDialogs = 0;
    int printedWindows = 0;
    std::vector<std::string> helpShown;

    /// Runs while a message box would be open, before it is answered.
    std::function<void(const Message&)> onMessage;

    velta::Answer messageBox(QWidget*, const std::string& text, const std::string& title, velta::Icon icon,
                             velta::Buttons buttons) override {
        messages.push_back({text, title, icon, buttons});
        if (onMessage) onMessage(messages.back());
        if (!answers.empty()) return take(answers);
        return velta::cancelAnswer(buttons);
    }
    std::optional<std::string> inputBox(QWidget*, const std::string& prompt) override {
        prompts.push_back(prompt);
        if (inputs.empty()) return std::nullopt;
        return take(inputs);
    }
    std::string openFile(QWidget*, const std::string& dir) override {
        openDirs.push_back(dir);
        return openNames.empty() ? std::string() : take(openNames);
    }
    std::string saveFile(QWidget*, const std::string& dir) override {
        saveDirs.push_back(dir);
        return saveNames.empty() ? std::string() : take(saveNames);
    }
    bool printerDialog(QWidget*) override {
        ++printerDialogs;
        return printers.empty() ? false : take(printers);
    }
    void printWindow(QWidget&) override { ++printedWindows; }
    void showHelp(QWidget*, const std::string& path) override { helpShown.push_back(path); }

private:
    template <class T>
    static T take(std::deque<T>& queue) {
        T front = std::move(queue.front());
        queue.pop_front();
        return front;
    }
};

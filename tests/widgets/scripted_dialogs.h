#pragma once
// Dialogs for widget tests: answers come from queues, and what was asked is recorded.

#include <deque>
#include <string>
#include <vector>

#include "ui/qt/dialog_provider.h"

struct ScriptedDialogs : velta::qt::DialogProvider {
    velta::Answer messageBox(QWidget*, const std::string& text, const std::string& title, velta::Icon icon,
                             velta::Buttons buttons) override {
        messages.push_back(title + "|" + text);
        icons.push_back(icon);
        if (answers.empty()) return buttons == velta::Buttons::Ok ? velta::Answer::Ok : velta::Answer::No;
        const velta::Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> inputBox(QWidget*, const std::string& prompt) override {
        prompts.push_back(prompt);
        return typed;
    }
    std::string openFile(QWidget*, const std::string& dir) override {
        openDirs.push_back(dir);
        return openAnswer;
    }
    std::string saveFile(QWidget*, const std::string& dir) override {
        saveDirs.push_back(dir);
        return saveAnswer;
    }
    bool printerDialog(QWidget*) override {
        ++printerDialogs;
        return printerAnswer;
    }
    void printWindow(QWidget&) override { ++printed; }
    void showHelp(QWidget*, const std::string& path) override { helpShown.push_back(path); }

    std::deque<velta::Answer> answers;
    std::optional<std::string> typed;
    std::string openAnswer, saveAnswer;
    bool printerAnswer = false;

    std::vector<std::string> messages, prompts, openDirs, saveDirs, helpShown;
    std::vector<velta::Icon> icons;
    int printerDialogs = 0, printed = 0;
};

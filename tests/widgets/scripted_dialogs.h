#pragma once
// Dialogs for widget tests: nothing modal opens; every dialog answers as if cancelled.

#include "ui/qt/dialog_provider.h"

struct ScriptedDialogs : velta::qt::DialogProvider {
    velta::Answer messageBox(QWidget*, const std::string&, const std::string&, velta::Icon,
                             velta::Buttons buttons) override {
        return buttons == velta::Buttons::Ok ? velta::Answer::Ok : velta::Answer::No;
    }
    std::optional<std::string> inputBox(QWidget*, const std::string&) override { return std::nullopt; }
    std::string openFile(QWidget*, const std::string&) override { return {}; }
    std::string saveFile(QWidget*, const std::string&) override { return {}; }
    bool printerDialog(QWidget*) override { return false; }
    void printWindow(QWidget&) override {}
    void showHelp(QWidget*, const std::string&) override {}
};

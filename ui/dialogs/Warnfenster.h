#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFWarn;
}

// The hints window: a fixed-size dialog listing the hints of the last configuration build.
// Created once, hidden, and shown modally centred on its owner for every click on the counter.
class TFWarn : public QDialog {
    Q_OBJECT
public:
    explicit TFWarn(QWidget* parent = nullptr);
    ~TFWarn() override;

    // The memo's text; the hints, already formatted one per paragraph.
    void SetHintText(const QString& text);
    QString HintText() const;

    // Centres the window on `owner` and shows it modally until OK or the close box.
    void ShowCentredOn(QWidget* owner);

private:
    std::unique_ptr<Ui::TFWarn> ui;
};

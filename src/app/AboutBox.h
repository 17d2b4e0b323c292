#pragma once
// The about box: the version line and who holds the rights, closed by its button, Enter or
// Escape. BuildAboutBox makes one for a caller to exec() or to look at.

#include <QDialog>

#include <memory>

[[nodiscard]] std::unique_ptr<QDialog> BuildAboutBox(QWidget* parent);

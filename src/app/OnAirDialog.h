#pragma once
// "O que está no ar": a non-modal window beside the console that shows, field by field, what
// a receiver makes of the chip's content, and follows each new report while it stays open.

#include <QDialog>

#include <map>
#include <optional>
#include <string>

#include "OnAirReport.h"

class QFormLayout;
class QLabel;

class COnAirDialog : public QDialog {
public:
    explicit COnAirDialog(QWidget* parent);

    // Shows the report's fields; no report means nothing has been read from the chip yet.
    void ShowReport(const std::optional<OnAirReport>& report);
    // The text shown for one field ("pi", "pty", "flags", "ps", "rtA", "rtB", "ct", "af",
    // "pin", "status", "warning"), as the operator reads it.
    [[nodiscard]] QString FieldText(const std::string& field) const;

private:
    void AddRow(const char* captionCp1252, const std::string& field, bool fixedPitch);
    void SetField(const std::string& field, const std::string& cp1252);

    std::map<std::string, QLabel*> m_values;
    QFormLayout* m_form = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_warning = nullptr;
};

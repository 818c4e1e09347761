#pragma once
// The factory parameter report as text and on paper. The text's lines end in LF CR; printed,
// each line goes to x = 400 and y = 400 + 100 n in the printer's own pixels (a PDF file's at
// 600 dpi), in the printer's default font, all on one page. The printer is to be made with
// QPrinter::HighResolution: at the screen's resolution the lines would fall off the page.
#include <QString>
#include <QStringList>
#include <array>

class QPrinter;

namespace ql50 {

struct CModulDaten;

inline constexpr char kReportDocumentName[] = "Daten Parametrieren";
inline constexpr int kReportLeft = 400;
inline constexpr int kReportTop = 400;
inline constexpr int kReportPitch = 100;
inline constexpr int kReportPdfDpi = 600;

// The device code of register 26: its characters up to the first zero byte.
QString DeviceCode(const std::array<char, 4>& bytes);

// The lines that are printed: the text before each LF, the line after it starting behind the
// CR that follows the LF. Text after the last LF is not a line.
QStringList ReportLines(const QString& text);

// Prints the report on one page of printer; false when the printer refused to start.
bool PrintReport(QPrinter& printer, const QString& text);

}  // namespace ql50

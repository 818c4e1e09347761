#include "factory/ParameterReport.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "ui/QtText.h"

namespace ql50 {

QString DeviceCode(const std::array<char, 4>& bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), '\0');
    return Qs(std::string_view(bytes.data(), static_cast<std::size_t>(end - bytes.begin())));
}

QStringList ReportLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\n')) continue;
        lines.append(start < i ? text.mid(start, i - start) : QString());
        start = i + 2;
    }
    return lines;
}

// QPainter on a printer paints in the printer's pixels from the top-left corner of the
// printable area. A line's position is the top of its text, as the platform's text output
// places it; QPainter places the baseline, one ascent lower.
bool PrintReport(QPrinter& printer, const QString& text) {
    printer.setDocName(QString::fromLatin1(kReportDocumentName));
    // A PDF file has no pixels of its own: it gets those of a 600-dpi printer, for which the
    // layout puts the lines a sixth of an inch apart (at the screen's resolution they would
    // start mid-page and run off it).
    if (printer.outputFormat() == QPrinter::PdfFormat) printer.setResolution(kReportPdfDpi);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // The default font, unless its lines are taller than the pitch (on a 1200-dpi printer).
    if (painter.fontMetrics().height() > kReportPitch) {
        QFont font = painter.font();
        font.setPixelSize(kReportPitch * 4 / 5);
        painter.setFont(font);
    }
    const int ascent = painter.fontMetrics().ascent();
    int y = kReportTop;
    for (const QString& line : ReportLines(text)) {
        if (!line.isEmpty()) painter.drawText(kReportLeft, y + ascent, line);
        y += kReportPitch;
    }
    return painter.end();
}

}  // namespace ql50

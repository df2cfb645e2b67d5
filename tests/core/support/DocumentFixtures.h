// Real documents made by the tests themselves: a PDF written by hand.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace vedra::testing {

// A one-page PDF 1.4 with the lines in Helvetica of `points`, `lineStep` apart
// from `top` down, its xref table built from the real object offsets (each entry
// exactly 20 bytes).
inline std::string minimalPdf(const std::vector<std::string>& lines, int points = 24, int lineStep = 40,
                              int top = 700)
{
    std::string content = "BT /F1 " + std::to_string(points) + " Tf 72 " + std::to_string(top) + " Td";
    for (std::size_t i = 0; i < lines.size(); ++i)
        content += (i > 0 ? " 0 -" + std::to_string(lineStep) + " Td (" : std::string(" (")) + lines[i] + ") Tj";
    content += " ET";
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R"
        " /Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

} // namespace vedra::testing

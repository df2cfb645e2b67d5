// vedra-print: the print program of `vedra print`. Reads a preview document (the
// engine's byte form, core/search/PreviewDocumentCodec.h) on standard input and
// prints it to a PDF file as the window prints its preview.
//   vedra-print --pdf OUT.pdf [--name NAME]
// Exit status: 0 printed, 2 wrong arguments, 3 the PDF file cannot be written,
// 4 the input is not a preview document. It needs no display: without
// QT_QPA_PLATFORM it draws offscreen.
#include "core/search/PreviewDocumentCodec.h"
#include "core/utilities/PopupActions.h"
#include "ui/PreviewRendering.h"
#include "ui/Printing.h"

#include <QFont>
#include <QGuiApplication>
#include <QPageSize>
#include <QPrinter>
#include <QTextDocument>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string pdf;
    std::string name;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "--pdf" || argument == "--name") && i + 1 < argc) {
            (argument == "--pdf" ? pdf : name) = argv[++i];
        } else {
            std::cerr << "usage: vedra-print --pdf OUT.pdf [--name NAME] < DOCUMENT\n";
            return 2;
        }
    }
    if (pdf.empty()) {
        std::cerr << "usage: vedra-print --pdf OUT.pdf [--name NAME] < DOCUMENT\n";
        return 2;
    }
    const std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    const std::optional<vedra::search::PreviewDocument> document = vedra::search::DecodePreviewDocument(input);
    if (!document) {
        std::cerr << "vedra-print: the input is not a preview document\n";
        return 4;
    }

    QGuiApplication application(argc, argv);
    QTextDocument text;
    QFont font;
    font.setPointSize(vedra::utilities::kPreviewBasePointSize);
    vedra::ui::FillPreviewDocument(text, *document, font);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(QString::fromLocal8Bit(pdf.c_str()));
    const vedra::ui::PrintResult result = vedra::ui::PrintRichText(printer, text, 0, 0, name);
    return result == vedra::ui::PrintResult::Printed ? 0 : 3;
}

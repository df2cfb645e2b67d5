// The captions of the windows in the three languages: labels, buttons, tabs,
// column titles, placeholders, tool tips and window titles. Each window takes its
// texts from here when it is built and again when the language changes; the
// message boxes' texts are the engine's MessageTable.
#pragma once

#include "core/app/MessageTable.h"

#include <QString>

#include <array>

namespace vedra::ui {

// Italian, English, Spanish.
using Texts = std::array<const char*, 3>;

// The text of `texts` for `languageIndex`; any index but 0 and 1 gives Spanish.
inline QString caption(const Texts& texts, int languageIndex)
{
    return QString::fromUtf8(texts[app::languageColumn(languageIndex)]);
}

namespace captions {

// Main window.
inline constexpr Texts kIndexColumn = {"INDICE", "INDEX", "ÍNDICE"};
inline constexpr Texts kFileColumn = {"FILE", "FILE", "FICHERO"};
inline constexpr Texts kContinue = {" Continua", " Continue", " Continuar"};
inline constexpr Texts kSizeField = {"tot bytes", "total bytes", "bytes tot."};
inline constexpr Texts kBreak = {"Ferma", "Break", "Parar"};
inline constexpr Texts kOptions = {"Opzioni", "Options", "Opciones"};
inline constexpr Texts kBreakStatus = {"interruzione...", "break...", "interrupción..."};
inline constexpr Texts kAboutTitle = {"Informazioni su Vedra", "Vedra information", "Información sobre Vedra"};
inline constexpr Texts kAboutText = {
    "Un motore di ricerca personale: archivi che indicizzano alberi di cartelle, una ricerca fino a dieci parole, "
    "un'anteprima attorno a ogni occorrenza.",
    "A personal desktop search engine: archives that index folder trees, a search of up to ten words, a preview "
    "around each hit.",
    "Un buscador personal de escritorio: archivos que indexan árboles de carpetas, una búsqueda de hasta diez "
    "palabras, una vista previa alrededor de cada resultado."};

// Property sheet.
inline constexpr Texts kSearchTab = {"Cerca", "Search", "Buscar"};
inline constexpr Texts kUtilityTab = {"Util", "Utilities", "Utilidades"};
inline constexpr Texts kArchiveTab = {"Archivio", "Archive", "Archivo"};

// Search page.
inline constexpr Texts kWordsCaption = {"Parole (max 10)", "Words (max 10)", "Palabras (máx. 10)"};
inline constexpr Texts kSearchButton = {"CERCA", "SEARCH", "BUSCAR"};
inline constexpr Texts kContiguityCaption = {"Contigue AND - car.:", "Contig And - Char:", "Contiguas AND - car.:"};
inline constexpr Texts kFiltersFrame = {"Includi solo", "Include only", "Incluir solo"};
inline constexpr Texts kFilesPlaceholder = {"File", "Files", "Ficheros"};
inline constexpr Texts kDirectoriesPlaceholder = {"Cartelle", "Directories", "Carpetas"};
inline constexpr Texts kDriveCaption = {"Unità", "Drive", "Unidad"};
inline constexpr Texts kInNotesCaption = {"Nelle note", "In the notes", "En las notas"};
inline constexpr Texts kOnDiskCaption = {"Direttamente sul disco", "Direct on disk", "Directamente en el disco"};
inline constexpr Texts kWordsTip = {"Digitare le parole interspaziate.", "Type the words with a space.",
                                    "Escriba las palabras separadas por un espacio."};
inline constexpr Texts kFilesTip = {
    "Questo campo ha due funzioni:\n -Cercare files;\n -Filtrare il campo di ricerca\n -(max 10).elemento di "
    "separazione la virgola','",
    "This area has two functions:\n -It seeks files;\n -It filters the search field\n -(max 10).element separating "
    "the comma ','",
    "Este campo tiene dos funciones:\n -Buscar files;\n -Filtrar el campo de búsqueda\n -(max 10).elemento de "
    "separación la coma','"};
inline constexpr Texts kDirectoriesTip = {
    "Questo campo ha due funzioni:\n -Cercare le directory;\n -Filtrare il campo di ricerca.\n -(max 10) elemento "
    "di separazione la virgola','",
    "This area has two functions:\n -It seeks the folders;\n -It filters the search field.\n -(max 10) element "
    "separating the comma ','",
    "Este campo tiene dos funciones:\n -Buscar las carpetas;\n -Filtrar el campo de búsqueda.\n -(max 10) elemento "
    "de separación la coma','"};
inline constexpr Texts kSearchTip = {
    "Attiva la ricerca nell'archivio.\n<break> per interrompere.\n\n(Per ricerche da altre applicazioni:\n -ridurre "
    "ad icona la finestra di Vedra;\n -utilizzare la funzione <Copy>;\n -cliccare sulla finestra ridotta ad icona\n "
    "-oppure digitare 2 volte il tasto <Ctrl>.)\n",
    "Serch\n<break> to break.\n\n(To search from other applications:\n -set to icon the window;\n -use <Copy>;\n "
    "-click on the window icon\n -or type 2 times <Ctrl>.)\n",
    "Activa la búsqueda en el archivo.\n<break> para interrumpir.\n\n(Para búsquedas desde otras aplicaciones:\n "
    "-minimizar la ventana de Vedra;\n -utilizar la función <Copy>;\n -hacer clic en la ventana minimizada\n -o "
    "pulsar 2 veces la tecla <Ctrl>.)\n"};
inline constexpr Texts kOnDiskTip = {
    "Cerca le parole nei files del disco scelto, senza archivio.\n<break> per interrompere.",
    "Searches the words in the files of the chosen disk, without an archive.\n<break> to break.",
    "Busca las palabras en los files del disco elegido, sin archivo.\n<break> para interrumpir."};

// Utility page.
inline constexpr Texts kNotesTitle = {"Cerca nelle note", "Search in the notes", "Buscar en las notas"};
inline constexpr Texts kArchivesCaption = {"Archivi sul disco", "Archives on disk", "Archivos el el disco"};
inline constexpr Texts kNotesScopeCaption = {"Appunti", "Notes", "Notas"};
inline constexpr Texts kGraphButton = {"Grafico", "Graph", "Gráfico"};
inline constexpr Texts kNotesTip = {
    "Digitare le informazioni da ricordare <Memorandum> o da ricercare <Appunti>\n- Le date vanno inserite in forma "
    "numerica (es.: 31/8/2008)\n -<OK> per salvare",
    "Select <Memorandum> to remember  or <Notes> to search\n- Digit dates (i.g.: 8/31/2008)\n -<OK> to save",
    "Escriba la información o tratar de recordar <Memorandum> <Notes> \n-Las fechas deben introducirse en forma "
    "numérica (por ejemplo, 31/8/2008) \n - <OK> para ahorrar"};
inline constexpr Texts kClearNotesTip = {"Svuota", "Clear", "Vaciar"};
inline constexpr Texts kSearchNotesTip = {"Cerca nelle note", "Search in the notes", "Buscar en las notas"};
inline constexpr Texts kWebSearchTip = {"Cerca sul web", "Search the web", "Buscar en la web"};

// Archive page.
inline constexpr Texts kNewArchive = {"Nuovo archivio", "New archive", "Nuevo archivo"};
inline constexpr Texts kDescribeArchive = {"Descrivi l'archivio", "Describe the archive", "Describir el archivo"};
inline constexpr Texts kIndexFolder = {"Indicizza una cartella…", "Index a folder…", "Indexar una carpeta…"};
inline constexpr Texts kIndexOneFolder = {"Indicizza una sola cartella…", "Index one folder…",
                                          "Indexar una sola carpeta…"};
inline constexpr Texts kUpdateFolder = {"Aggiorna una cartella…", "Update a folder…", "Actualizar una carpeta…"};
inline constexpr Texts kListsTitle = {"Filtri", "Filters", "Filtros"};
inline constexpr Texts kSaveList = {"Salva la lista", "Save the list", "Guardar la lista"};
inline constexpr Texts kWordWatch = {"Segnala i files con le parole cercate", "List the files with the searched words",
                                     "Señalar los files con las palabras buscadas"};
inline constexpr Texts kWordWatchTip = {
    "Durante l'indicizzazione, ogni file letto che contiene una parola dell'ultima ricerca entra nella lista.",
    "While indexing, every file read that holds a word of the last search joins the list.",
    "Durante la indexación, cada file leído que contiene una palabra de la última búsqueda entra en la lista."};
// The lists in the order of indexing::kEditableListSlots, each named by what it
// holds and by its file's prefix.
inline constexpr Texts kListNames[6] = {
    {"Estensioni con testo (FIL.)", "Text extensions (FIL.)", "Extensiones con texto (FIL.)"},
    {"Cartelle escluse (DIR.)", "Excluded folders (DIR.)", "Carpetas excluidas (DIR.)"},
    {"Parole escluse (NIN.)", "Stop words (NIN.)", "Palabras excluidas (NIN.)"},
    {"Estensioni convertite (SCM.)", "Converted extensions (SCM.)", "Extensiones convertidas (SCM.)"},
    {"Archivi compressi (CMP.)", "Compressed archives (CMP.)", "Archivos comprimidos (CMP.)"},
    {"Estensioni multimediali (FMM.)", "Multimedia extensions (FMM.)", "Extensiones multimedia (FMM.)"},
};

// Archive dialog.
inline constexpr Texts kArchiveDialogTitle = {"Archivio", "Archive", "Archivo"};
inline constexpr Texts kNameLabel = {"Archivio:", "Archive", "Archivo:"};
inline constexpr Texts kDescriptionLabel = {"Descrizione:", "Description:", "Descripcion:"};
inline constexpr Texts kMinimumLabel = {"Registra parole >", "Register the words >", "Registro de las palabras >"};
inline constexpr Texts kTruncationLabel = {"Tronca parole >", "Cut the words >", "Truncar las palabras >"};
inline constexpr Texts kDiskLabel = {"Disco:", "Disk:", "Disco:"};
inline constexpr Texts kNumberLabel = {"N.:", "No:", "N.º:"};
inline constexpr Texts kMoreTypesLabel = {
    "Più tipi di documento (fogli di calcolo, presentazioni, e-book, testi senza estensione)",
    "More document types (spreadsheets, presentations, e-books, text without extension)",
    "Más tipos de documento (hojas de cálculo, presentaciones, libros electrónicos, textos sin extensión)"};
inline constexpr Texts kOcrLabel = {
    "Riconosci il testo di immagini e PDF scansionati (OCR, più lento)",
    "Recognise the text of pictures and scanned PDFs (OCR, slower)",
    "Reconocer el texto de imágenes y PDF escaneados (OCR, más lento)"};
inline constexpr Texts kDescriptionTip = {
    " Inizializzazione di un nuovo archivio:\nSe i dati sono esatti inviare\n con OK",
    " Initializing of new archive:\nIf data are right, accept\n with OK",
    " Inicializar una nueva base de datos: \nSi los datos son precisos para enviar \n OK"};
inline constexpr Texts kFilesButton = {"File", "Files", "Ficheros"};
inline constexpr Texts kAddButton = {"Aggiungi", "Add", "Añadir"};
inline constexpr Texts kPrintButton = {"Stampa", "Print", "Imprimir"};

// Image preview and graph.
inline constexpr Texts kPreviewTitle = {"Anteprima", "Pre-view", "Vista previa"};
inline constexpr Texts kGraphTitle = {"Grafico", "Graph", "Gráfico"};

// The buttons of message boxes and dialogs.
inline constexpr Texts kCancelButton = {"Annulla", "Cancel", "Cancelar"};
inline constexpr Texts kYesButton = {"Sì", "Yes", "Sí"};

// Every table above, for the checks that a window shows no text of another language.
inline constexpr const Texts* kAll[] = {
    &kIndexColumn, &kFileColumn, &kContinue, &kSizeField, &kBreak, &kOptions, &kBreakStatus, &kAboutTitle,
    &kAboutText, &kSearchTab, &kUtilityTab, &kArchiveTab, &kWordsCaption, &kSearchButton, &kContiguityCaption,
    &kFiltersFrame, &kFilesPlaceholder, &kDirectoriesPlaceholder, &kDriveCaption, &kInNotesCaption, &kOnDiskCaption,
    &kWordsTip, &kFilesTip, &kDirectoriesTip, &kSearchTip, &kOnDiskTip, &kNotesTitle, &kArchivesCaption,
    &kNotesScopeCaption, &kGraphButton, &kNotesTip, &kClearNotesTip, &kSearchNotesTip, &kWebSearchTip,
    &kNewArchive, &kDescribeArchive, &kIndexFolder, &kIndexOneFolder, &kUpdateFolder, &kListsTitle, &kSaveList,
    &kWordWatch, &kWordWatchTip, &kListNames[0], &kListNames[1], &kListNames[2], &kListNames[3], &kListNames[4],
    &kListNames[5], &kArchiveDialogTitle, &kNameLabel, &kDescriptionLabel, &kMinimumLabel, &kTruncationLabel,
    &kDiskLabel, &kNumberLabel, &kMoreTypesLabel, &kOcrLabel, &kDescriptionTip, &kFilesButton, &kAddButton, &kPrintButton,
    &kPreviewTitle, &kGraphTitle, &kCancelButton, &kYesButton,
};

} // namespace captions
} // namespace vedra::ui

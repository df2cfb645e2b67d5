// The main window's controls are its direct children: looked for there only, since
// the sheet, a child window of it, reuses some of their numbers for other controls.
#include "ui/AccessibleTexts.h"

#include "ui/UiText.h"

#include <QString>
#include <QWidget>

#include <iterator>

namespace vedra::ui {
namespace {

constexpr std::string_view kMainWindow = "CScovaroDlg";

// clang-format off
constexpr AccessibleText kTexts[] = {
    // The main window.
    {kMainWindow, "1001",
     {"Risultati", "Results", "Resultados"},
     {"Un file trovato per riga. Frecce: anteprima della riga; Invio: apre il file",
      "One file found per row. Arrow keys: preview of the row; Enter: opens the file",
      "Un archivo encontrado por fila. Flechas: vista previa de la fila; Intro: abre el archivo"}},
    {kMainWindow, "1002",
     {"Anteprima", "Preview", "Vista previa"},
     {"Il testo intorno alle parole trovate", "The text around the words found",
      "El texto alrededor de las palabras encontradas"}},
    {kMainWindow, "1831",
     {"Indice", "Index", "Índice"},
     {"Le voci dell'indice dell'archivio. Frecce: anteprima della voce; Invio: apre il file",
      "The entries of the archive's index. Arrow keys: preview of the entry; Enter: opens the file",
      "Las entradas del índice del archivo. Flechas: vista previa de la entrada; Intro: abre el archivo"}},
    {kMainWindow, "1834",
     {"Introduzione", "Introduction", "Introducción"},
     {"La pagina di introduzione dell'archivio", "The archive's introduction page",
      "La página de introducción del archivo"}},
    {kMainWindow, "1646",
     {"Cartelle", "Folders", "Carpetas"},
     {"L'albero delle cartelle", "The folder tree", "El árbol de carpetas"}},
    {kMainWindow, "1647",
     {"File della cartella", "Files of the folder", "Archivos de la carpeta"},
     {"I file della cartella scelta", "The files of the chosen folder", "Los archivos de la carpeta elegida"}},
    {kMainWindow, "1475",
     {"Stato", "Status", "Estado"},
     {"L'ultima operazione e il suo esito", "The last operation and its outcome",
      "La última operación y su resultado"}},
    {kMainWindow, "1008",
     {"Continua", "Continue", "Continuar"},
     {"Le righe o gli estratti seguenti", "The next rows or extracts", "Las filas o extractos siguientes"}},
    {kMainWindow, "1479",
     {"Posizione", "Position", "Posición"},
     {"La posizione nel documento mostrato", "The position in the document shown",
      "La posición en el documento mostrado"}},
    {kMainWindow, "1025",
     {"Avanzamento", "Progress", "Progreso"},
     {"L'avanzamento dell'operazione in corso", "How far the running operation has got",
      "El avance de la operación en curso"}},
    {kMainWindow, "1007",
     {"Dimensione", "Size", "Tamaño"},
     {"I byte del documento mostrato", "The bytes of the document shown", "Los bytes del documento mostrado"}},
    {kMainWindow, "1704",
     {"Interrompi", "Break", "Interrumpir"},
     {"Ferma l'operazione in corso", "Stops the running operation", "Detiene la operación en curso"}},
    {kMainWindow, "1566",
     {"Opzioni", "Options", "Opciones"},
     {"Mostra le pagine di ricerca, utilità e archivio", "Shows the search, utility and archive pages",
      "Muestra las páginas de búsqueda, utilidades y archivo"}},
    {kMainWindow, "1669",
     {"Inglese", "English", "Inglés"},
     {"Testi del programma in inglese", "The program's texts in English", "Los textos del programa en inglés"}},
    {kMainWindow, "1774",
     {"Spagnolo", "Spanish", "Español"},
     {"Testi del programma in spagnolo", "The program's texts in Spanish", "Los textos del programa en español"}},
    {kMainWindow, "1670",
     {"Italiano", "Italian", "Italiano"},
     {"Testi del programma in italiano", "The program's texts in Italian", "Los textos del programa en italiano"}},

    // The search page.
    {"CMyPropertyPage2", "1800",
     {"Parole da cercare", "Words to search for", "Palabras a buscar"},
     {"Fino a dieci parole; Invio avvia la ricerca. Ctrl+F o F3 riportano qui",
      "Up to ten words; Enter starts the search. Ctrl+F or F3 come back here",
      "Hasta diez palabras; Intro inicia la búsqueda. Ctrl+F o F3 vuelven aquí"}},
    {"CMyPropertyPage2", "1009",
     {"Cerca", "Search", "Buscar"},
     {"Cerca le parole nell'archivio", "Searches the archive for the words", "Busca las palabras en el archivo"}},
    {"CMyPropertyPage2", "1772",
     {"Distanza in caratteri", "Distance in characters", "Distancia en caracteres"},
     {"La distanza massima fra le parole", "The greatest distance between the words",
      "La distancia máxima entre las palabras"}},
    {"CMyPropertyPage2", "1054",
     {"Solo i file", "Only the files", "Solo los archivos"},
     {"Parti del nome dei file da includere", "Parts of the names of the files to include",
      "Partes del nombre de los archivos a incluir"}},
    {"CMyPropertyPage2", "1055",
     {"Solo le cartelle", "Only the folders", "Solo las carpetas"},
     {"Parti del nome delle cartelle da includere; doppio click: l'albero delle cartelle",
      "Parts of the names of the folders to include; double click: the folder tree",
      "Partes del nombre de las carpetas a incluir; doble clic: el árbol de carpetas"}},
    {"CMyPropertyPage2", "1684",
     {"Unità", "Drive", "Unidad"},
     {"Dove cercare direttamente sul disco", "Where to search directly on disk",
      "Dónde buscar directamente en el disco"}},

    // The utility page.
    {"CNote", "1475",
     {"Note", "Notes", "Notas"},
     {"Il testo delle note", "The text of the notes", "El texto de las notas"}},
    {"CNote", "1678",
     {"Svuota le note", "Clear the notes", "Vaciar las notas"},
     {"Cancella il testo delle note", "Deletes the text of the notes", "Borra el texto de las notas"}},
    {"CNote", "1499",
     {"Cerca nelle note", "Search the notes", "Buscar en las notas"},
     {"Cerca il testo scritto nelle note", "Searches the notes for the text written",
      "Busca el texto escrito en las notas"}},
    {"CNote", "1835",
     {"Archivi", "Archives", "Archivos"},
     {"Apre l'archivio scelto", "Opens the archive chosen", "Abre el archivo elegido"}},
    {"CNote", "1775",
     {"Parole per il web", "Words for the web", "Palabras para la web"},
     {"Le parole da cercare sul web", "The words to search the web for", "Las palabras a buscar en la web"}},
    {"CNote", "1776",
     {"Cerca sul web", "Search the web", "Buscar en la web"},
     {"Apre la ricerca nel browser scelto", "Opens the search in the browser chosen",
      "Abre la búsqueda en el navegador elegido"}},
    {"CNote", "1796",
     {"Browser", "Browser", "Navegador"},
     {"Il browser delle ricerche sul web", "The browser of the web searches",
      "El navegador de las búsquedas en la web"}},

    // The archive page.
    {"archivePage", "listChoice",
     {"Lista dell'archivio", "List of the archive", "Lista del archivo"},
     {"La lista da modificare", "The list to edit", "La lista a modificar"}},
    {"archivePage", "listText",
     {"Testo della lista", "Text of the list", "Texto de la lista"},
     {"Una voce per riga", "One entry per line", "Una entrada por línea"}},

    // The pop-up window.
    {"CTastoDestro", "1532",
     {"Voci del menu", "Menu entries", "Entradas del menú"},
     {"Un click esegue la voce; Esc chiude", "A click runs the entry; Escape closes",
      "Un clic ejecuta la entrada; Esc cierra"}},
    {"CTastoDestro", "1114",
     {"Programma", "Program", "Programa"},
     {"Il programma con cui aprire", "The program to open with", "El programa con el que abrir"}},
    {"CTastoDestro", "closeButton",
     {"Chiudi", "Close", "Cerrar"},
     {"Chiude il menu (Esc)", "Closes the menu (Escape)", "Cierra el menú (Esc)"}, true},

    // The image and graph window.
    {"imagePreview", "canvas",
     {"Immagine", "Picture", "Imagen"},
     {"L'immagine o il grafico mostrato", "The picture or graph shown", "La imagen o el gráfico mostrado"}},
    {"imagePreview", "1056",
     {"x minimo", "Lowest x", "x mínimo"},
     {"L'inizio dell'intervallo del grafico", "Where the graph's range starts", "El inicio del intervalo del gráfico"}},
    {"imagePreview", "1057",
     {"x massimo", "Highest x", "x máximo"},
     {"La fine dell'intervallo del grafico", "Where the graph's range ends", "El final del intervalo del gráfico"}},
    {"imagePreview", "1613",
     {"Disegna", "Draw", "Dibujar"},
     {"Disegna il grafico nell'intervallo", "Draws the graph over the range", "Dibuja el gráfico en el intervalo"}},
    {"imagePreview", "zoomOutButton",
     {"Riduci", "Zoom out", "Alejar"},
     {"Rimpicciolisce l'immagine", "Makes the picture smaller", "Reduce la imagen"}},
    {"imagePreview", "zoomInButton",
     {"Ingrandisci", "Zoom in", "Acercar"},
     {"Ingrandisce l'immagine", "Makes the picture larger", "Amplía la imagen"}},
    {"imagePreview", "closeButton",
     {"Chiudi", "Close", "Cerrar"},
     {"Chiude la finestra (Esc)", "Closes the window (Escape)", "Cierra la ventana (Esc)"}, true},

    // The information window.
    {"CScelta", "1531",
     {"Informazioni", "Information", "Información"},
     {"La pagina delle note o delle statistiche", "The page of notes or statistics",
      "La página de notas o de estadísticas"}},
    {"CScelta", "1111",
     {"Pagina precedente", "Previous page", "Página anterior"},
     {"Mostra la pagina precedente", "Shows the previous page", "Muestra la página anterior"}},
    {"CScelta", "1499",
     {"Pagina seguente", "Next page", "Página siguiente"},
     {"Mostra la pagina seguente", "Shows the next page", "Muestra la página siguiente"}},
};
// clang-format on

QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QWidget* findScope(QWidget* root, std::string_view scope)
{
    const QString name = text(scope);
    if (root->objectName() == name)
        return root;
    return root->findChild<QWidget*>(name);
}

} // namespace

std::size_t AccessibleTextCount()
{
    return std::size(kTexts);
}

const AccessibleText& AccessibleTextAt(std::size_t index)
{
    return kTexts[index];
}

int ApplyAccessibleTexts(QWidget* root, int language)
{
    const std::size_t column = languageColumn(language);
    int named = 0;
    for (const AccessibleText& row : kTexts) {
        QWidget* scope = findScope(root, row.scope);
        if (scope == nullptr)
            continue;
        const Qt::FindChildOptions depth =
            row.scope == kMainWindow ? Qt::FindDirectChildrenOnly : Qt::FindChildrenRecursively;
        auto* control = scope->findChild<QWidget*>(text(row.control), depth);
        if (control == nullptr)
            continue;
        control->setAccessibleName(text(row.name[column]));
        control->setAccessibleDescription(text(row.description[column]));
        if (row.nameIsTip)
            control->setToolTip(text(row.name[column]));
        ++named;
    }
    return named;
}

} // namespace vedra::ui

// Every message text in every language, compared with the table by key name so
// that a text array shifted against the enumeration cannot go unnoticed.
#include "core/app/MessageTable.h"

#include <gtest/gtest.h>

#include <ostream>

#include <climits>
#include <cstddef>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace vedra::app {
namespace {

struct ExpectedMessage {
    const char* name;
    const char* italian;
    const char* english;
    const char* spanish;
};

// The test's name already carries the key; print nothing more.
void PrintTo(const ExpectedMessage& message, std::ostream* os)
{
    *os << message.name;
}

// One row per key, in table order.
const ExpectedMessage kExpected[] = {
    {"MsgIndexing", "Index...", "Index...", "Index..."},
    {"MsgTextTooLong", "Testo troppo lungo", "Text too long", "El texto es demasiado largo"},
    {"MsgDeleteTempFiles", "Vuoi cancellare i files temporanei vedratemp?\nQuesta operazione potrebbe richiedere alcuni minuti.", "Do you want to delete Vedra temporary files?\nThis may take several minutes.", "¿Desea eliminar los files temporaneos de vedratemp? \nEste proceso puede durar unos minutos."},
    {"MsgSuspendOperation", "Vuoi SOSPENDERE l'operazione in corso?", "Do you want to suspend current operation?", "¿Quieres abortar la operación en curso?"},
    {"MsgWorkInProgress", "...operazione in corso...", "...work in progress...", "... operación en progreso ..."},
    {"MsgSearchEnded", "Ricerca terminata.", "The search has ended.", "Búsqueda terminó sin éxito."},
    {"MsgArchiveTooLarge", "Archivio TROPPO GRANDE, occorre creare un nuovo archivio", "Archive too large, you need to initialize a new archive.", "Archivo demasiado grande, debe crear un nuevo archivo"},
    {"MsgWriteError", "ERRORE in SCRITTURA", "Writing error.", "Error de escritura"},
    {"MsgCannotLoadData", "Impossibile caricare dati.", "It could not load data.", "No se puede cargar los datos."},
    {"MsgOutOfMemory", "Memoria insufficiente\nOperazione annullata o incompleta.", "Insufficient memory\nOperation cancelled or suspended.", "No hay memoria suficiente \n proceso cancelado o incompleto."},
    {"MsgArchiveEmptyRunIndexing", "Archivio vuoto. Eseguire l'indicizzazione.", "Archive empty. Run indexing.", "Archivo vacio. Doy comienzo a la indexación"},
    {"MsgNeedArchive", "Per poter operare è necessario inizializzare un ARCHIVIO.", "To operate is necessary to initialize an archive.", "Para su correcto funcionamiento debe inicializar un archivo."},
    {"MsgProgramNotFound", "Non e' stato possibile trovare il programma da eseguire", "It was not possible to find the program to be executed.", "No pude encontrar el programa a ejecutar"},
    {"MsgRunError", "Errore in esecuzione", "Error running", "Error al ejecutar"},
    {"MsgDiskSpaceLow", "Lo spazio sul disco NON è SUFFICIENTE\nper garantire la regolare esecuzione del programma.", "The disk space is not sufficient to ensure the smooth implementation of program.", "Espacio en disco no suficiente \npara garantizar el buen funcionamiento del programa."},
    {"MsgKeepPreviousResults", "Vuoi CONSERVARE i risultati della ricerca precedente ?", "Do yoy want to keep the results of previous research?", "¿Desea guardar los resultados de la investigación anterior?"},
    {"MsgIndexingInterrupted", "COMPLETAMENTO di indicizzazione INTERROTTA.\n\nPotrebbe essere necessario ripetere l'operazione,\nqualora siano stati modificati files già indicizzati.", "Completion of indexing interrupted.\n\nYou may need to repeat the operation,\nif files already indexed have been modified.", "Cumplimiento de indexación  interrumpida. \n\n podria ser necesario repetir la operación, \n donde han sido modificados files ya indexados."},
    {"MsgDiskIndexingIncomplete", "L'indicizzazione del DISCO NON è COMPLETA.\n\nE' possibile completarla in qualunque altro momento.", "The indexing of the disk is not completed.\n\nYou can fill it at any other time.", "La indexación del disco no ha terminado.\n\n Puede completar en cualquier otro momento."},
    {"MsgSelectDestination", "Devi selezionare il drive di destinazione", "You must select the path of destination", "Debe seleccionar la unidad de destino"},
    {"MsgPathWillBeRemoved", "Il path selezionato sarà CANCELLATO dalla lista.\nVuoi continuare ?", "The path selected will be deleted from the list.\nContinue ?", "El trazado seleccionado se eliminará de la lista. \n ¿Desea continuar?"},
    {"MsgCopyWholeDisk", "Sei sicuro di voler copiare l'intero disco ?", "Are you sure you want to copy the entire disk ?", "¿Está seguro que desea copiar el disco entero?"},
    {"MsgCopyToRoot", "Sei sicuro di voler copiare in una directory principale ?", "Are you sure you want to copy in a root directory ?", "¿Está seguro que desea copiar una raíz?"},
    {"MsgCancelToHideUntilDate", "Scegli <Annulla> per non rivedere questo messaggio, fino all'eventuale data indicata.\n\n", "Choose <Cancel> for not reviewing this message, up to the date indicted.\n\n", "Elige <Cancel> para no revisar este mensaje hasta la fecha final \n \n"},
    {"MsgDueToday", "Scade oggi: ", "It falls due today: ", "Caduca hoy"},
    {"MsgDueTomorrow", "Scade domani: ", "It falls due tomorrow: ", "Vence mañana"},
    {"MsgTodayDate", "Data odierna: ", "Today date: ", "Hoy es: "},
    {"MsgDueOn", "Scade il: ", "Due date: ", "Caduca:"},
    {"MsgNoArchives", "Al momento non risultano archivi inizializzati.", "When there are no archives initialized.", "Actualmente, los archivos no se inicializan."},
    {"MsgArchiveDeleted", "L'archivio è stato cancellato.\nEventuali settaggi personalizzati devono essere rifatti", "The archive was been deleted.\nAny custom settings have to be redone.", "El archivo ha sido eliminado \nQualquier configuración personalizada tienen que ser hechos de nuevo."},
    {"MsgDifferentDisk", "Stai indicizzando un DISCO DIVERSO\nda quello già registrato.\n Vuoi registrare ugualmente ?", "You are indexing a disk different\nfrom that in archive.\n Continue ?", "Que son la indexación de un disco diferente \n ¿Desea continuar de todos modos?"},
    {"MsgDeleteArchiveForever", "Vuoi ELIMINARE DEFINITIVAMENTE L'archivio", "Do you want permanently delete the archive ", "¿Desea eliminar permanentemente el archivo"},
    {"MsgFileCopiedAs", "Il file è stato copiato come:", "The file was copied as:", "El archivo se ha copiado como:"},
    {"MsgOkToCreateArchive", "OK  per creare un nuovo archivio.", "OK to initialize a new archive.", "Aceptar para crear un nuevo archivo."},
    {"MsgImportedArchiveHint", "In caso di archivio importato\n conviene eliminare il controllo sull'archivio", "In case of imported archive\n it is helpful to eliminate control of the archives.", "Si el archivo se importa \n debe retirar el cheque en el archivo"},
    {"MsgInsertDisk", "Inserire il disco N.%ld con l'archivio di nome %s.", "Insert the disk N.%ld with the archive named: %s.", "% ld Inserte el disco sin nombre de archivo% s."},
    {"MsgNamesOnly", " Con queste opzioni saranno estratti solo i nomi dei files\n (per estrarre testo indicare il numero di bytes da estrarre nella pagina <Archivi>)\n Continuare?", " With these options will be only extracted the names of the files\n (if you want extract text you must to digit the number of the bytes to be extract in <Archives>)\n Continue ?", "Con estas opciones se pueden extraer únicamente los nombres de los files \n (para extraer el texto indicar el número de bytes para extraer página<Arc> ) \n ¿Desea continuar?"},
    {"MsgOverwriteFile", "Il file %s\nesiste già,vuoi SOVRASCRIVERE ?", "The file %s\nalready exists,do you want overwrite?", "El archivo% s \nesiste ya quiere reemplazarlo?"},
    {"MsgSaveText", "Vuoi salvare il testo ?", "Do you want save the text ?", "¿Desea guardar el texto?"},
    {"MsgAcceptProportion", "Accetti questa proporzione?", "Do you agree to this proportion?", "Aceptar esta proporción?"},
    {"MsgPrintError", "Errore stampante", "Print error", "Error de impresión"},
    {"MsgCannotReadFile", "Impossibile leggere il file:\nRiprova,se l'errore persiste, verificare il percorso del file", "It is impossible to read the file:\nTray again, if the error persists, verify the file path.", "No se puede leer el archivo: \nPor favor, inténtelo de nuevo, si el error persiste, compruebe la ubicación del archivo"},
    {"MsgFileSavedAs", "File salvato con il seguente percorso:\n %s", "The file was saved with following path:\n %s", "El archivo guardado con la siguiente ruta: \n% s"},
    {"MsgDoYouWantToSearch", "Vuoi cercare ?:\n\n", "Do you want search? :\n\n", "¿Quiere buscar: \n \n?"},
    {"MsgMustDecompress", "Il file:\n%s\ndeve essere DECOMPATTATO.\nL'operazione potrebbe richiedere alcuni minuti.\nVuoi decompatttare ?", "The file:\n%s\nmust to be decompressed.\nIt may take a few minutes.\nDo you want decompress ?", "El file:\n%s\n debe ser decomprimido.\nEsto puede tomar varios minutos.\n¿Quiere para decomprimir?"},
    {"MsgSaveCapturedImage", "Vuoi salvare l'immagine catturata ?", "Do you want save the image captured ?", "¿Desea guardar la imagen capturada?"},
    {"MsgClearPreview", "Questa opzione cancellerà la finestra di preview\nContinuare?", "This option will clean preview window.\nContinue ?", "Esta opción eliminará la ventana de vista previa \n ¿Desea continuar?"},
    {"MsgArchiveReadyButEmpty", "L'archivio è pronto ma VUOTO.\nPer poter cercare testo e files bisogna prima indicizzare i files.\nPer indicizzare cliccare sull'ICONA della pagina <Indicizza>\n\nPrima di indicizzare, è possibile modificare\ni relativi filtri nella pagina <Filtri>", "The archive is ready but empty.\nTo can search text and files before you must to index the files.\nTo index click on the icon of page <Indexing>.\n\nBefore of indexing you can change\nthe filters in the page <Filters>", "El archivo está listo, pero vacío. \nPara búsqueda de texto y files deben primer índice de los archivos. \nPor favor, haga clic en la página de índice <Indicizza> \n index \nPor favor, usted puede cambiar \ni para los filtros Página <Filtri> "},
    {"MsgLemmaExists", "Questo lemma è già presente, vuoi continuare ?", "This lemma is already present. Continue ?", "Esta entrada ya existe, desea continuar?"},
    {"MsgTooManyArchives", "Questa programma non consente di creare piu' di 10 archivi.", "This program does not allow you to initialize more than 10 archives.", "Este programa no crea más de 10 archivos "},
    {"MsgUpdateDictionary", "%s\nVerrà Selezionata la pagina <Utility> per aggiornare il dizionario\n\nScegliere <ANNULLA> per NON RIVEDERE PIU' questo messaggio.", "%s\nIt will select the page <Utility> to update dictionary.\n\nChoose <CANCEL> to not review this message.", "% s \nLa pagina <UTILITY> se seleccionaran para actualizar el diccionario \n <Cancel> nElige \n no volver a verte este mensaje. "},
    {"MsgFileSelected", "File selezionato: ", "File selected: ", "File seleccionado:"},
    {"MsgWordsSearched", "Parole cercate: ", "Words serched: ", "Palabras clave de búsqueda"},
    {"MsgElapsedTime", "Tempo impiegato: ", "Past time: ", "Tiempo:"},
    {"MsgFoldersScanned", "Cartelle esaminate: ", "Folders scanned: ", "Carpetas vistas: "},
    {"MsgFoldersIndexed", "Cartelle indicizzate: ", "Folders indexed: ", "Carpetas indexadas: "},
    {"MsgFilePathsIndexed", "Percorsi di files indicizzati: ", "Files indexed: ", "Caminos de files indexados: "},
    {"MsgFilesWithText", "Files con testo indicizzato: ", "Files with text indexed: ", "Files indexados con el texto: "},
    {"MsgNewFilesWithText", "Nuovi files con testo indicizzato: ", "New files with text indexed: ", "Nuevos files indexados con el texto: "},
    {"MsgUpdatedFilesWithText", "Files aggiornati con testo indicizzato: ", "Files updated with text indexed: ", "Files de actualización con índices de texto: "},
    {"MsgWordsIndexed", "Parole indicizzate: ", "Words indexed: ", "Palabras indexadas: "},
    {"MsgFilesOverwritten", "Files sovrascritti: ", "Files overwrited: ", "Files sobrescritos: "},
    {"MsgNewFilesCopied", "Nuovi files copiati: ", "New files copied: ", "Nuevos files copiados: "},
    {"MsgCopyFailedCount", "Copia fallita per N. files: ", "Copy failed for N. files: ", "Copia de files no N.: "},
    {"MsgTotalFiles", "Files totali: ", "Total files: ", "Total files: "},
    {"MsgFoldersFound", "Cartelle trovate :", "Folders found :", "Carpetas encontrados: "},
    {"MsgFilesFound", "Files trovati :", "Files found :", "Files encontrados: "},
    {"MsgEventsOf", "Eventi di ", "Results of ", "Eventos: "},
    {"MsgWordStatistics", "\n\n     STATISTICA PAROLE\n", "\n\n     WORDW STATISTICS\n", "\n\n PALABRAS ESTADÍSTICAS\n"},
    {"MsgDifferentCount", "DIVERSE: ", "DIFFERENT: ", "OTRO"},
    {"MsgTotalCount", "\nTOTALE: ", "\nTOTAL: ", "\nTotal: "},
    {"MsgConfirmReadWith", "Il file:\n%s\n\nsarà letto con il programma:\n%s\n\nConfermi ?", "This file:\n%s\n\nwill be read with the program:\n%s\n\nDo you confirm ?", "El file: \n%s \n\nSe será leído con el programa: \n%s\n\n¿Confirmar?"},
    {"MsgScreenClipHelp", "Questa opzione consente di ritagliare porzioni di schermo.\nPer renderla operativa occorre:\n- ridurre ad icona la finestra di Vedra;\n- digitare il tasto <Ctrl>;\n- un click sull'angolo alto-sinistro dell'immagine;\n- trascitare il mouse sull'angolo destro-basso;- un click per terminare.", "This option lets you cut a share of screen.\nTo operate you ought:\n- reduce to icon program window;\n- digit the key <Ctrl>;\n- than, one click top left corner of the image;\n- drag the mouse to the bottom right corner;\n- one click to finish.", "Esta opción permite cortar partes de la pantalla \nPara aplicar debe ser:. \n-minimizar la ventana Vedra \n-Pulse la tecla <Ctrl>;\n- haga un clic en la esquina superior izquierda de la imagen;\n- arrastre el mouse a la esquina inferior derecha;\n- un clic para terminar."},
    {"MsgScreenClip", "Ritaglia schermo", "Cutting screen", "Recortar la pantalla"},
    {"MsgEnglishReading", " Lettura Inglese", " English reading", " Leer en Ingles"},
    {"MsgSearchMemorandum", " Cerca in memorandum", " Search in memorandum", "Buscar en memorandum"},
    {"MsgCalculate", " Calcola", " Calculate", "Calcular"},
    {"MsgSearchAgenda", " Cerca nell'agenda", " Search in the diary", "Buscar en agenda"},
    {"MsgExtracting", "Decompatta...", "Extracting...", "deconstruye ..."},
    {"MsgSearching", "Cerca..", "Searching...", "Buscar .."},
    {"MsgLoading", "..Carica../", "Loading..", "Cargando ../"},
    {"MsgUrlFolderQuestion", "Ricorda,\n\nurl con estensione <.it,.com,.htm, .asp,...> : senza slash  finale\n\nurl: cartella con slash finale '/',\n\nE' una CARTELLA ?\n", "Remember,\n\nurl with extension <.com, .htm, .asp,..> without final slash;\nurl=folder with final slash '/'.\n\nIs it a FOLDER ?\n", "Recuerde, \n <extensión nURL n <.es,.com, .htm, .ssp,...> : Sin barra final \n\nURL: carpeta con barra final '/',\n\nEs una carpeta ?\n "},
    {"MsgSearchArchive", " Cerca nell'archivio", " Search in the archive", " Buscar en la base de datos"},
    {"MsgSearchIn", "Cerca in ", "Search in ", "Buscar"},
    {"MsgConnectionError", "Errore nella connessione", "Connection error", "Error de conexión"},
    {"MsgChooseMemoOrNotes", "Scegliere un'opzione: <Memorandum> o <Appunti>", "Choose an option: <Memorandum> or <Notes>", "Elija una opción: o <Memorandum> <Agenda>"},
    {"MsgRootNotInDictionary", "La radice della parola\n \"%s\"\nnon è presente nel vocabolario della pagina <Filtri>.", "The root of the word\n \"%s\"\nis not in the dictionary of <Filters> page.", "La raíz de la palabra\n \"%s\"\n no està en el vocabulario de este <Filtros> página."},
    {"MsgInvalidOption", "Opzione non consentita.", "Invalid option.", "Option no permitida."},
    {"MsgInvalidArchive", "Archivio non valido", "The archive is invalid", "Archivo no válido"},
    {"MsgRobotsDenied", "Il file robots.txt nega l'accesso a questi url.", "The robots.txt file denies access to these paths.", "El archivo robots.txt niega el acceso a estas direcciones URL."},
    {"MsgFileVeryLong", "Il file:\n%s\nè molto lungo. L'operazione potrebbe richiedere alcuni minuti.\nVuoi continuare?", "The file:\n%s\nis very long. This may take several minutes.\nContinue?", "El file:\n%s\nes muy largo. Este proceso puede durar unos minutos.\n¿Desea continuar?"},
    {"MsgLocatingProgram", "Devo localizzare il programma richiesto:\n%s\nVi prego di avere un po' di pazienza.", "I have to locate the required program:\n%s\nPlease have some patence.", "Tengo que localizar el programa deseado:\n%s\nPor favor tenga un poco de paciencia."},
    {"MsgWebInfo", "Web info: aiuto-commenti-aggiornamenti-errori", "Web info: help-comments-updating-errors", "Información Web: help-comentarios-update-errores"},
    {"MsgConfirmQuit", "Sei sicuro di voler uscire?", "Are you sure that you want to quit?", "¿Estás seguro de que desea terminar el programa?"},
    {"MsgUrlListNotFound", "Lista url non trovata", "Url list non found", "Lista de URL no encontrado"},
    {"MsgNoResults", "Nessun risultato rispondente alle opzioni di ricerca impostate", "No results matched the search options set", "No hay resultados que respondan plenamente a las opciones de búsqueda"},
    {"MsgFoldersExcluded", "Cartelle escluse: ", "Folders excluded: ", "Carpetas excluidas: "},
    {"MsgCannotWrite", "Impossibile scrivere in:\n%s\nIl disco o la cartella è di sola lettura, o manca il permesso di scrittura.", "Cannot write to:\n%s\nThe disk or folder is read-only, or write permission is missing.", "No se puede escribir en:\n%s\nEl disco o la carpeta es de solo lectura, o falta el permiso de escritura."},
    {"MsgRunUndone", "L'ultima indicizzazione si è interrotta bruscamente.\nLe sue modifiche all'archivio sono state annullate: i documenti che stava registrando vengono indicizzati di nuovo.", "The last indexing run was cut off.\nIts changes to the archive have been undone: the documents it was registering are indexed again.", "La última indexación se interrumpió bruscamente.\nSus cambios en el archivo se han deshecho: los documentos que estaba registrando se indexan de nuevo."},
    {"MsgArchiveRebuilt", "I file dell'archivio sono danneggiati: sono più corti di quanto registrato.\nL'indice è stato svuotato e viene ricostruito; le liste dell'archivio restano. Le altre cartelle già indicizzate vanno indicizzate di nuovo.", "The archive's files are damaged: they are shorter than recorded.\nThe index has been emptied and is being rebuilt; the archive's lists are kept. Other folders indexed before must be indexed again.", "Los ficheros del archivo están dañados: son más cortos de lo registrado.\nEl índice se ha vaciado y se está reconstruyendo; las listas del archivo se conservan. Las demás carpetas ya indexadas deben indexarse de nuevo."},
    {"MsgFileGone", "Il file non è più sul disco: la riga mostra quello che conteneva quando fu indicizzato.", "The file is no longer on the disk: the row shows what it held when it was indexed.", "El archivo ya no está en el disco: la fila muestra lo que contenía cuando fue indexado."},
    {"MsgFileSizeChanged", "Il file è cambiato dopo l'indicizzazione: ora è di %s byte, l'archivio ne ha registrati %s.", "The file changed after it was indexed: it is now %s bytes, the archive recorded %s.", "El archivo cambió después de la indexación: ahora tiene %s bytes, el archivo registró %s."},
    {"MsgFileTimeChanged", "Il file è stato modificato dopo l'indicizzazione: l'ultima modifica sul disco è del %s.", "The file was modified after it was indexed: on the disk it was last changed on %s.", "El archivo fue modificado después de la indexación: su última modificación en el disco es del %s."},
    {"MsgQuerySearchedFor", "Cercate: ", "Searched for: ", "Buscadas: "},
    {"MsgQueryNothingToSearch", "Nessuna parola da cercare.", "No word to search.", "Ninguna palabra que buscar."},
    {"MsgQueryNotSearched", "Non cercate: ", "Not searched: ", "No buscadas: "},
    {"MsgQueryTooShort", "troppo corta", "too short", "demasiado corta"},
    {"MsgQueryStopWord", "parola esclusa", "stop word", "palabra excluida"},
    {"MsgQueryAfterShortWord", "dopo una parola corta", "after a short word", "después de una palabra corta"},
    {"MsgQueryBeyondTenWords", "oltre la decima parola", "past the tenth word", "más allá de la décima palabra"},
    {"MsgRootAddHint", "Per aggiungere la radice all'archivio: vedra roots add %s", "To add the root to the archive: vedra roots add %s", "Para añadir la raíz al archivo: vedra roots add %s"},
    {"MsgAddRootQuestion", "Aggiungere all'archivio la radice della parola \"%s\"?", "Add the root of the word \"%s\" to the archive?", "¿Añadir al archivo la raíz de la palabra \"%s\"?"},
    {"MsgRootsAddedReindex", "Le parole con le radici aggiunte saranno registrate dalle prossime indicizzazioni.\nI documenti già indicizzati vanno indicizzati di nuovo per essere trovati con queste parole.", "Words with the roots added will be registered by the next indexing runs.\nDocuments indexed already must be indexed again to be found by these words.", "Las palabras con las raíces añadidas se registrarán en las próximas indexaciones.\nLos documentos ya indexados deben indexarse de nuevo para encontrarse con estas palabras."},
    {"MsgArchiveBusy", "Un'altra indicizzazione (%s) sta scrivendo in questo archivio; riprova quando sarà terminata.", "Another indexing run (%s) is writing this archive; try again when it has ended.", "Otra indexación (%s) está escribiendo en este archivo; inténtalo de nuevo cuando haya terminado."},
    {"MsgFilesNotRead", "Files non letti: ", "Files not read: ", "Files no leídos: "},
    {"MsgFilesGone", "Files non più sul disco: ", "Files gone from the disk: ", "Files ya no en el disco: "},
    {"MsgWatchServiceBox", "Tieni aggiornato l'indice mentre i files cambiano", "Keep the index up to date while files change", "Mantener el índice al día mientras los files cambian"},
    {"MsgWatchOnSystemd", "Aggiornamento continuo dell'indice attivato: servizio utente di systemd %s", "Live index turned on: systemd user service %s", "Actualización continua del índice activada: servicio de usuario de systemd %s"},
    {"MsgWatchOnAutostart", "Aggiornamento continuo dell'indice attivato: avvio automatico %s, sorveglianza avviata (PID %ld)", "Live index turned on: autostart entry %s, watcher started (PID %ld)", "Actualización continua del índice activada: inicio automático %s, vigilancia iniciada (PID %ld)"},
    {"MsgWatchOnAutostartRunning", "Aggiornamento continuo dell'indice attivato: avvio automatico %s, sorveglianza già in corso (PID %ld)", "Live index turned on: autostart entry %s, watcher already running (PID %ld)", "Actualización continua del índice activada: inicio automático %s, vigilancia ya en marcha (PID %ld)"},
    {"MsgWatchOffSystemd", "Aggiornamento continuo dell'indice disattivato: servizio utente di systemd %s disabilitato e fermato", "Live index turned off: systemd user service %s disabled and stopped", "Actualización continua del índice desactivada: servicio de usuario de systemd %s deshabilitado y detenido"},
    {"MsgWatchOffAutostart", "Aggiornamento continuo dell'indice disattivato: avvio automatico %s rimosso", "Live index turned off: autostart entry %s removed", "Actualización continua del índice desactivada: inicio automático %s eliminado"},
    {"MsgWatchOffAlready", "Aggiornamento continuo dell'indice disattivato (non era attivo)", "Live index turned off (it was not on)", "Actualización continua del índice desactivada (no estaba activa)"},
    {"MsgWatchStopped", "Sorveglianza fermata (PID %ld)", "Watcher stopped (PID %ld)", "Vigilancia detenida (PID %ld)"},
    {"MsgWatchStillRunning", "La sorveglianza (PID %ld) ha ricevuto la richiesta di terminare ma è ancora in corso.", "The watcher (PID %ld) was asked to end but still runs.", "La vigilancia (PID %ld) recibió la orden de terminar pero sigue en marcha."},
    {"MsgWatchCommandFailed", "%s non è riuscito: %s", "%s failed: %s", "%s falló: %s"},
    {"MsgWatchNoTemplate", "Impossibile attivare l'aggiornamento continuo dell'indice: nessun gestore utente di systemd risponde e manca il modello di avvio automatico %s (VedraReader è installato?)", "The live index cannot be turned on: no systemd user manager answers, and the autostart template %s is missing (is VedraReader installed?)", "No se puede activar la actualización continua del índice: ningún gestor de usuario de systemd responde y falta la plantilla de inicio automático %s (¿está instalado VedraReader?)"},
    {"MsgWatchForeignEntry", "L'aggiornamento continuo dell'indice non è stato attivato: %s non è stato scritto da VedraReader e resta com'è.", "The live index was not turned on: %s was not written by VedraReader and is left as it is.", "La actualización continua del índice no se activó: %s no fue escrito por VedraReader y queda como está."},
    {"MsgWatchForeignEntryLeft", "%s non è stato scritto da VedraReader e resta com'è: rimuovilo tu se avvia la sorveglianza all'accesso.", "%s was not written by VedraReader and is left as it is: remove it yourself if it starts the watcher at login.", "%s no fue escrito por VedraReader y queda como está: elimínalo tú si inicia la vigilancia al entrar."},
    {"MsgWatchCannotWrite", "Impossibile scrivere %s: %s", "Cannot write %s: %s", "No se puede escribir %s: %s"},
    {"MsgWatchCannotRemove", "Impossibile rimuovere %s: %s", "Cannot remove %s: %s", "No se puede eliminar %s: %s"},
    {"MsgWatchNotStarted", "Avvio automatico %s scritto, ma la sorveglianza non è partita: %s", "Autostart entry %s written, but the watcher did not start: %s", "Inicio automático %s escrito, pero la vigilancia no se inició: %s"},
    {"MsgWatchOtherWorkdir", "All'accesso la sorveglianza tiene aggiornata la cartella di lavoro predefinita %s, non %s.", "At login the watcher keeps the default working folder %s up to date, not %s.", "Al entrar, la vigilancia mantiene al día la carpeta de trabajo predeterminada %s, no %s."},
    {"MsgWatchStarting", "avvio", "starting", "iniciando"},
    {"MsgWatchWatching", "in osservazione", "watching", "vigilando"},
    {"MsgWatchUpdating", "aggiornamento", "updating", "actualizando"},
    {"MsgWatchPaused", "in pausa", "paused", "en pausa"},
    {"MsgWatchError", "errore", "error", "error"},
    {"MsgWatchNotWatching", "inattivo", "not watching", "inactivo"},
    {"MsgWatchTipHeading", "Indice in tempo reale: %s (processo %ld)", "Live index: %s (process %ld)", "Índice en tiempo real: %s (proceso %ld)"},
    {"MsgWatchTipArchives", "Archivi: %s", "Archives: %s", "Archivos: %s"},
    {"MsgWatchTipFolders", "Cartelle osservate: %ld", "Watched folders: %ld", "Carpetas vigiladas: %ld"},
    {"MsgWatchTipPending", "Cartelle in attesa: %ld", "Pending folders: %ld", "Carpetas pendientes: %ld"},
    {"MsgWatchTipLastBatch", "Ultimo aggiornamento: %s, %ld cartelle, %ld file cambiati, %s s (%ld finora)", "Last batch: %s, %ld folders, %ld files changed, %s s (%ld so far)", "Última actualización: %s, %ld carpetas, %ld ficheros cambiados, %s s (%ld hasta ahora)"},
    {"MsgWatchTipNoBatch", "Ultimo aggiornamento: nessuno finora", "Last batch: none yet", "Última actualización: ninguna todavía"},
    {"MsgWatchTipNotice", "Avviso: %s", "Notice: %s", "Aviso: %s"},
    {"MsgWatchTipError", "Errore: %s", "Error: %s", "Error: %s"},
    {"MsgWatchTipNoWatcher", "L'indice in tempo reale è attivato, ma nessun processo osserva questa cartella di lavoro.", "The live index is on, but no watcher runs for this working folder.", "El índice en tiempo real está activado, pero ningún proceso vigila esta carpeta de trabajo."},
    {"MsgWatchTipEnded", "Il processo di osservazione è terminato (uscita %ld).", "The watcher ended (exit status %ld).", "El proceso de vigilancia terminó (salida %ld)."},
    {"MsgWatchCannotStart", "Impossibile avviare l'osservazione: %s", "Cannot start the watcher: %s", "No se puede iniciar la vigilancia: %s"},
    {"MsgWaitingForLiveIndex", "In attesa che l'aggiornamento dell'indice in tempo reale finisca...", "Waiting for the live index's batch to end...", "Esperando a que termine la actualización del índice en tiempo real..."},
    {"MsgProgramNotInstalled", "Il programma %s non è installato.\nSi installa con il pacchetto Debian %s:\n  sudo apt install %s", "The program %s is not installed.\nIt comes with the Debian package %s:\n  sudo apt install %s", "El programa %s no está instalado.\nSe instala con el paquete Debian %s:\n  sudo apt install %s"},
    {"MsgProgramNotInstalledLookedIn", "Il programma %s non è installato.\nCercato in:\n%s", "The program %s is not installed.\nLooked for in:\n%s", "El programa %s no está instalado.\nBuscado en:\n%s"},
    {"MsgFileNoLongerExists", "Il file non esiste più:\n%s", "The file no longer exists:\n%s", "El archivo ya no existe:\n%s"},
    {"MsgOverwriteWorkingFile", "%s\nè un file della cartella di lavoro del programma (archivi, liste, estratti).\nSovrascriverlo con questo testo?", "%s\nis a file of the program's working folder (archives, lists, extracts).\nOverwrite it with this text?", "%s\nes un fichero de la carpeta de trabajo del programa (archivos, listas, extractos).\n¿Sobrescribirlo con este texto?"},
    {"MsgTextRecognised", "Testo riconosciuto (OCR) dall'immagine del documento", "Text recognised (OCR) from the document's image", "Texto reconocido (OCR) de la imagen del documento"},
    {"MsgSortByRelevance", "Pertinenza", "Relevance", "Relevancia"},
};

struct KeyAndName {
    MessageKey key;
    std::string_view name;
};

// Ties each enumerator to its spelling, independently of the names array.
#define VEDRA_KEY(k) KeyAndName{MessageKey::k, #k}
const KeyAndName kEnumerators[] = {
    VEDRA_KEY(MsgIndexing),
    VEDRA_KEY(MsgTextTooLong),
    VEDRA_KEY(MsgDeleteTempFiles),
    VEDRA_KEY(MsgSuspendOperation),
    VEDRA_KEY(MsgWorkInProgress),
    VEDRA_KEY(MsgSearchEnded),
    VEDRA_KEY(MsgArchiveTooLarge),
    VEDRA_KEY(MsgWriteError),
    VEDRA_KEY(MsgCannotLoadData),
    VEDRA_KEY(MsgOutOfMemory),
    VEDRA_KEY(MsgArchiveEmptyRunIndexing),
    VEDRA_KEY(MsgNeedArchive),
    VEDRA_KEY(MsgProgramNotFound),
    VEDRA_KEY(MsgRunError),
    VEDRA_KEY(MsgDiskSpaceLow),
    VEDRA_KEY(MsgKeepPreviousResults),
    VEDRA_KEY(MsgIndexingInterrupted),
    VEDRA_KEY(MsgDiskIndexingIncomplete),
    VEDRA_KEY(MsgSelectDestination),
    VEDRA_KEY(MsgPathWillBeRemoved),
    VEDRA_KEY(MsgCopyWholeDisk),
    VEDRA_KEY(MsgCopyToRoot),
    VEDRA_KEY(MsgCancelToHideUntilDate),
    VEDRA_KEY(MsgDueToday),
    VEDRA_KEY(MsgDueTomorrow),
    VEDRA_KEY(MsgTodayDate),
    VEDRA_KEY(MsgDueOn),
    VEDRA_KEY(MsgNoArchives),
    VEDRA_KEY(MsgArchiveDeleted),
    VEDRA_KEY(MsgDifferentDisk),
    VEDRA_KEY(MsgDeleteArchiveForever),
    VEDRA_KEY(MsgFileCopiedAs),
    VEDRA_KEY(MsgOkToCreateArchive),
    VEDRA_KEY(MsgImportedArchiveHint),
    VEDRA_KEY(MsgInsertDisk),
    VEDRA_KEY(MsgNamesOnly),
    VEDRA_KEY(MsgOverwriteFile),
    VEDRA_KEY(MsgSaveText),
    VEDRA_KEY(MsgAcceptProportion),
    VEDRA_KEY(MsgPrintError),
    VEDRA_KEY(MsgCannotReadFile),
    VEDRA_KEY(MsgFileSavedAs),
    VEDRA_KEY(MsgDoYouWantToSearch),
    VEDRA_KEY(MsgMustDecompress),
    VEDRA_KEY(MsgSaveCapturedImage),
    VEDRA_KEY(MsgClearPreview),
    VEDRA_KEY(MsgArchiveReadyButEmpty),
    VEDRA_KEY(MsgLemmaExists),
    VEDRA_KEY(MsgTooManyArchives),
    VEDRA_KEY(MsgUpdateDictionary),
    VEDRA_KEY(MsgFileSelected),
    VEDRA_KEY(MsgWordsSearched),
    VEDRA_KEY(MsgElapsedTime),
    VEDRA_KEY(MsgFoldersScanned),
    VEDRA_KEY(MsgFoldersIndexed),
    VEDRA_KEY(MsgFilePathsIndexed),
    VEDRA_KEY(MsgFilesWithText),
    VEDRA_KEY(MsgNewFilesWithText),
    VEDRA_KEY(MsgUpdatedFilesWithText),
    VEDRA_KEY(MsgWordsIndexed),
    VEDRA_KEY(MsgFilesOverwritten),
    VEDRA_KEY(MsgNewFilesCopied),
    VEDRA_KEY(MsgCopyFailedCount),
    VEDRA_KEY(MsgTotalFiles),
    VEDRA_KEY(MsgFoldersFound),
    VEDRA_KEY(MsgFilesFound),
    VEDRA_KEY(MsgEventsOf),
    VEDRA_KEY(MsgWordStatistics),
    VEDRA_KEY(MsgDifferentCount),
    VEDRA_KEY(MsgTotalCount),
    VEDRA_KEY(MsgConfirmReadWith),
    VEDRA_KEY(MsgScreenClipHelp),
    VEDRA_KEY(MsgScreenClip),
    VEDRA_KEY(MsgEnglishReading),
    VEDRA_KEY(MsgSearchMemorandum),
    VEDRA_KEY(MsgCalculate),
    VEDRA_KEY(MsgSearchAgenda),
    VEDRA_KEY(MsgExtracting),
    VEDRA_KEY(MsgSearching),
    VEDRA_KEY(MsgLoading),
    VEDRA_KEY(MsgUrlFolderQuestion),
    VEDRA_KEY(MsgSearchArchive),
    VEDRA_KEY(MsgSearchIn),
    VEDRA_KEY(MsgConnectionError),
    VEDRA_KEY(MsgChooseMemoOrNotes),
    VEDRA_KEY(MsgRootNotInDictionary),
    VEDRA_KEY(MsgInvalidOption),
    VEDRA_KEY(MsgInvalidArchive),
    VEDRA_KEY(MsgRobotsDenied),
    VEDRA_KEY(MsgFileVeryLong),
    VEDRA_KEY(MsgLocatingProgram),
    VEDRA_KEY(MsgWebInfo),
    VEDRA_KEY(MsgConfirmQuit),
    VEDRA_KEY(MsgUrlListNotFound),
    VEDRA_KEY(MsgNoResults),
    VEDRA_KEY(MsgFoldersExcluded),
    VEDRA_KEY(MsgCannotWrite),
    VEDRA_KEY(MsgRunUndone),
    VEDRA_KEY(MsgArchiveRebuilt),
    VEDRA_KEY(MsgFileGone),
    VEDRA_KEY(MsgFileSizeChanged),
    VEDRA_KEY(MsgFileTimeChanged),
    VEDRA_KEY(MsgQuerySearchedFor),
    VEDRA_KEY(MsgQueryNothingToSearch),
    VEDRA_KEY(MsgQueryNotSearched),
    VEDRA_KEY(MsgQueryTooShort),
    VEDRA_KEY(MsgQueryStopWord),
    VEDRA_KEY(MsgQueryAfterShortWord),
    VEDRA_KEY(MsgQueryBeyondTenWords),
    VEDRA_KEY(MsgRootAddHint),
    VEDRA_KEY(MsgAddRootQuestion),
    VEDRA_KEY(MsgRootsAddedReindex),
    VEDRA_KEY(MsgArchiveBusy),
    VEDRA_KEY(MsgFilesNotRead),
    VEDRA_KEY(MsgFilesGone),
    VEDRA_KEY(MsgWatchServiceBox),
    VEDRA_KEY(MsgWatchOnSystemd),
    VEDRA_KEY(MsgWatchOnAutostart),
    VEDRA_KEY(MsgWatchOnAutostartRunning),
    VEDRA_KEY(MsgWatchOffSystemd),
    VEDRA_KEY(MsgWatchOffAutostart),
    VEDRA_KEY(MsgWatchOffAlready),
    VEDRA_KEY(MsgWatchStopped),
    VEDRA_KEY(MsgWatchStillRunning),
    VEDRA_KEY(MsgWatchCommandFailed),
    VEDRA_KEY(MsgWatchNoTemplate),
    VEDRA_KEY(MsgWatchForeignEntry),
    VEDRA_KEY(MsgWatchForeignEntryLeft),
    VEDRA_KEY(MsgWatchCannotWrite),
    VEDRA_KEY(MsgWatchCannotRemove),
    VEDRA_KEY(MsgWatchNotStarted),
    VEDRA_KEY(MsgWatchOtherWorkdir),
    VEDRA_KEY(MsgWatchStarting),
    VEDRA_KEY(MsgWatchWatching),
    VEDRA_KEY(MsgWatchUpdating),
    VEDRA_KEY(MsgWatchPaused),
    VEDRA_KEY(MsgWatchError),
    VEDRA_KEY(MsgWatchNotWatching),
    VEDRA_KEY(MsgWatchTipHeading),
    VEDRA_KEY(MsgWatchTipArchives),
    VEDRA_KEY(MsgWatchTipFolders),
    VEDRA_KEY(MsgWatchTipPending),
    VEDRA_KEY(MsgWatchTipLastBatch),
    VEDRA_KEY(MsgWatchTipNoBatch),
    VEDRA_KEY(MsgWatchTipNotice),
    VEDRA_KEY(MsgWatchTipError),
    VEDRA_KEY(MsgWatchTipNoWatcher),
    VEDRA_KEY(MsgWatchTipEnded),
    VEDRA_KEY(MsgWatchCannotStart),
    VEDRA_KEY(MsgWaitingForLiveIndex),
    VEDRA_KEY(MsgProgramNotInstalled),
    VEDRA_KEY(MsgProgramNotInstalledLookedIn),
    VEDRA_KEY(MsgFileNoLongerExists),
    VEDRA_KEY(MsgOverwriteWorkingFile),
    VEDRA_KEY(MsgTextRecognised),
    VEDRA_KEY(MsgSortByRelevance),
};
#undef VEDRA_KEY

std::optional<MessageKey> keyByName(std::string_view name)
{
    for (int i = 0; i < kMessageKeyCount; ++i) {
        const auto key = static_cast<MessageKey>(i);
        if (messageKeyName(key) == name)
            return key;
    }
    return std::nullopt;
}

std::string_view textIn(int language, MessageKey key)
{
    return MessageTable(language).text(key);
}

class MessageTextTest : public ::testing::TestWithParam<ExpectedMessage> {};

TEST_P(MessageTextTest, MatchesTableInEveryLanguage)
{
    const ExpectedMessage& row = GetParam();
    const std::optional<MessageKey> key = keyByName(row.name);
    ASSERT_TRUE(key.has_value()) << row.name << " has no key";

    EXPECT_EQ(textIn(0, *key), std::string_view(row.italian));
    EXPECT_EQ(textIn(1, *key), std::string_view(row.english));
    EXPECT_EQ(textIn(2, *key), std::string_view(row.spanish));
}

INSTANTIATE_TEST_SUITE_P(AllKeys, MessageTextTest, ::testing::ValuesIn(kExpected),
                         [](const ::testing::TestParamInfo<ExpectedMessage>& info) {
                             return std::string(info.param.name);
                         });

TEST(MessageTableTest, ExpectedRowsFollowEnumerationOrder)
{
    ASSERT_EQ(std::size(kExpected), static_cast<std::size_t>(kMessageKeyCount));
    for (int i = 0; i < kMessageKeyCount; ++i)
        EXPECT_EQ(messageKeyName(static_cast<MessageKey>(i)), std::string_view(kExpected[i].name))
            << "position " << i;
}

TEST(MessageTableTest, KeyNamesRoundTripForEveryEnumerator)
{
    ASSERT_EQ(std::size(kEnumerators), static_cast<std::size_t>(kMessageKeyCount));
    for (const KeyAndName& entry : kEnumerators) {
        EXPECT_EQ(messageKeyName(entry.key), entry.name);
        const std::optional<MessageKey> back = keyByName(entry.name);
        ASSERT_TRUE(back.has_value()) << entry.name;
        EXPECT_EQ(*back, entry.key) << entry.name;
    }
}

TEST(MessageTableTest, KeyNamesAreUniqueAndNonEmpty)
{
    std::set<std::string_view> seen;
    for (int i = 0; i < kMessageKeyCount; ++i) {
        const std::string_view name = messageKeyName(static_cast<MessageKey>(i));
        EXPECT_FALSE(name.empty()) << "position " << i;
        EXPECT_TRUE(seen.insert(name).second) << "duplicate name " << name;
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kMessageKeyCount));
}

// A language file may hold any number: whatever is not Italian or English reads
// the Spanish column, never past the table.
TEST(MessageTableTest, LanguageColumnIsZeroOneOrTwo)
{
    EXPECT_EQ(languageColumn(0), 0u);
    EXPECT_EQ(languageColumn(1), 1u);
    for (int index : {2, 3, -1, 255})
        EXPECT_EQ(languageColumn(index), 2u) << index;
}

TEST(MessageTableTest, OutOfRangeKeyHasNoNameAndNoText)
{
    for (int value : {-1, kMessageKeyCount, kMessageKeyCount + 1, 1000, INT_MIN, INT_MAX}) {
        const auto key = static_cast<MessageKey>(value);
        EXPECT_TRUE(messageKeyName(key).empty()) << value;
        for (int language : {0, 1, 2})
            EXPECT_TRUE(textIn(language, key).empty()) << "language " << language << " key " << value;
    }
}

TEST(MessageTableTest, LanguagesOutsideZeroToTwoShowSpanish)
{
    for (int language : {-1, 3, 99, INT_MIN, INT_MAX}) {
        const MessageTable table(language);
        for (const ExpectedMessage& row : kExpected) {
            const std::optional<MessageKey> key = keyByName(row.name);
            ASSERT_TRUE(key.has_value()) << row.name;
            EXPECT_EQ(table.text(*key), std::string_view(row.spanish))
                << "language " << language << " key " << row.name;
        }
    }
}

TEST(MessageTableTest, LoadSwitchesLanguageOfAnExistingTable)
{
    MessageTable table(0);
    EXPECT_EQ(table.text(MessageKey::MsgTextTooLong), "Testo troppo lungo");
    table.load(1);
    EXPECT_EQ(table.languageIndex(), 1);
    EXPECT_EQ(table.text(MessageKey::MsgTextTooLong), "Text too long");
    table.load(2);
    EXPECT_EQ(table.text(MessageKey::MsgTextTooLong), "El texto es demasiado largo");
    table.load(99);
    EXPECT_EQ(table.languageIndex(), 99);
    EXPECT_EQ(table.text(MessageKey::MsgTextTooLong), "El texto es demasiado largo");
    table.load(0);
    EXPECT_EQ(table.languageIndex(), 0);
    EXPECT_EQ(table.text(MessageKey::MsgTextTooLong), "Testo troppo lungo");
}

TEST(MessageTableTest, DefaultTableIsEnglish)
{
    const MessageTable table;
    EXPECT_EQ(table.languageIndex(), 1);
    EXPECT_EQ(table.text(MessageKey::MsgConfirmQuit), "Are you sure that you want to quit?");
}

TEST(MessageTableTest, IndexingIsTheSameInAllLanguages)
{
    for (int language : {0, 1, 2, 7})
        EXPECT_EQ(textIn(language, MessageKey::MsgIndexing), "Index...") << language;
}

TEST(MessageTableTest, ItalianFixedTexts)
{
    EXPECT_EQ(textIn(0, MessageKey::MsgSuspendOperation), "Vuoi SOSPENDERE l'operazione in corso?");
    EXPECT_EQ(textIn(0, MessageKey::MsgNoResults),
              "Nessun risultato rispondente alle opzioni di ricerca impostate");
}

// The Spanish texts carry a blank inside the conversion; callers must see it as written.
TEST(MessageTableTest, SpanishFormatTextsKeepTheirBlanks)
{
    const std::string_view overwrite = textIn(2, MessageKey::MsgOverwriteFile);
    EXPECT_EQ(overwrite, "El archivo% s \nesiste ya quiere reemplazarlo?");
    for (MessageKey key : {MessageKey::MsgOverwriteFile, MessageKey::MsgFileSavedAs,
                           MessageKey::MsgUpdateDictionary, MessageKey::MsgInsertDisk}) {
        const std::string_view text = textIn(2, key);
        EXPECT_NE(text.find("% s"), std::string_view::npos) << messageKeyName(key);
        EXPECT_EQ(text.find("%s"), std::string_view::npos) << messageKeyName(key);
    }
    EXPECT_EQ(textIn(2, MessageKey::MsgInsertDisk).substr(0, 4), "% ld");
    const std::string_view savedAs = textIn(2, MessageKey::MsgFileSavedAs);
    ASSERT_GE(savedAs.size(), 4u);
    EXPECT_EQ(savedAs.substr(savedAs.size() - 4), "\n% s");
    // Other languages use the ordinary conversions.
    EXPECT_NE(textIn(0, MessageKey::MsgOverwriteFile).find("%s"), std::string_view::npos);
    EXPECT_NE(textIn(1, MessageKey::MsgInsertDisk).find("%ld"), std::string_view::npos);
}

TEST(MessageTableTest, BlanksAndLineBreaksAreKeptExactly)
{
    const std::string_view cancel = textIn(2, MessageKey::MsgCancelToHideUntilDate);
    ASSERT_GE(cancel.size(), 4u);
    EXPECT_EQ(cancel.substr(cancel.size() - 4), " \n \n");
    EXPECT_EQ(textIn(1, MessageKey::MsgDeleteArchiveForever).back(), ' ');
    EXPECT_EQ(textIn(2, MessageKey::MsgArchiveReadyButEmpty).back(), ' ');
    EXPECT_EQ(textIn(0, MessageKey::MsgEnglishReading).front(), ' ');
    // Only some languages lead with a blank for the same key.
    EXPECT_EQ(textIn(0, MessageKey::MsgSearchMemorandum).front(), ' ');
    EXPECT_EQ(textIn(2, MessageKey::MsgSearchMemorandum).front(), 'B');
    EXPECT_EQ(textIn(0, MessageKey::MsgWordStatistics).substr(0, 8), "\n\n     S");
    EXPECT_NE(textIn(0, MessageKey::MsgOkToCreateArchive).find("OK  per"), std::string_view::npos);
}

TEST(MessageTableTest, QuotesAroundTheWordArePlainCharacters)
{
    EXPECT_NE(textIn(0, MessageKey::MsgRootNotInDictionary).find("\n \"%s\"\n"), std::string_view::npos);
    EXPECT_NE(textIn(1, MessageKey::MsgRootNotInDictionary).find("\n \"%s\"\n"), std::string_view::npos);
    EXPECT_NE(textIn(2, MessageKey::MsgRootNotInDictionary).find("\n \"%s\"\n"), std::string_view::npos);
}

// A backslash would mean an escape was written twice; an empty text means a row went missing.
TEST(MessageTableTest, NoTextIsEmptyOrHoldsABackslash)
{
    for (int language : {0, 1, 2}) {
        for (int i = 0; i < kMessageKeyCount; ++i) {
            const auto key = static_cast<MessageKey>(i);
            const std::string_view text = textIn(language, key);
            EXPECT_FALSE(text.empty()) << "language " << language << " " << messageKeyName(key);
            EXPECT_EQ(text.find('\\'), std::string_view::npos)
                << "language " << language << " " << messageKeyName(key);
        }
    }
}

// Accented letters must be stored as UTF-8, not as single cp1252 bytes.
TEST(MessageTableTest, AccentedLettersAreUtf8)
{
    EXPECT_EQ(textIn(2, MessageKey::MsgConfirmQuit).substr(0, 4), "\xC2\xBF" "Es");
    EXPECT_NE(textIn(0, MessageKey::MsgNeedArchive).find("operare \xC3\xA8 necessario"),
              std::string_view::npos);
    EXPECT_NE(textIn(2, MessageKey::MsgDueTomorrow).find("ma\xC3\xB1" "ana"), std::string_view::npos);
}

} // namespace
} // namespace vedra::app

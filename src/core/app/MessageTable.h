// Every user-visible message of the program by key, in Italian, English and
// Spanish. Texts are kept in UTF-8 here; they are converted to cp1252 only when
// written into a file.
#pragma once

#include <cstddef>
#include <string_view>

namespace vedra::app {

enum class MessageKey : int {
    MsgIndexing,
    MsgTextTooLong,
    MsgDeleteTempFiles,
    MsgSuspendOperation,
    MsgWorkInProgress,
    MsgSearchEnded,
    MsgArchiveTooLarge,
    MsgWriteError,
    MsgCannotLoadData,
    MsgOutOfMemory,
    MsgArchiveEmptyRunIndexing,
    MsgNeedArchive,
    MsgProgramNotFound,
    MsgRunError,
    MsgDiskSpaceLow,
    MsgKeepPreviousResults,
    MsgIndexingInterrupted,
    MsgDiskIndexingIncomplete,
    MsgSelectDestination,
    MsgPathWillBeRemoved,
    MsgCopyWholeDisk,
    MsgCopyToRoot,
    MsgCancelToHideUntilDate,
    MsgDueToday,
    MsgDueTomorrow,
    MsgTodayDate,
    MsgDueOn,
    MsgNoArchives,
    MsgArchiveDeleted,
    MsgDifferentDisk,
    MsgDeleteArchiveForever,
    MsgFileCopiedAs,
    MsgOkToCreateArchive,
    MsgImportedArchiveHint,
    MsgInsertDisk,
    MsgNamesOnly,
    MsgOverwriteFile,
    MsgSaveText,
    MsgAcceptProportion,
    MsgPrintError,
    MsgCannotReadFile,
    MsgFileSavedAs,
    MsgDoYouWantToSearch,
    MsgMustDecompress,
    MsgSaveCapturedImage,
    MsgClearPreview,
    MsgArchiveReadyButEmpty,
    MsgLemmaExists,
    MsgTooManyArchives,
    MsgUpdateDictionary,
    MsgFileSelected,
    MsgWordsSearched,
    MsgElapsedTime,
    MsgFoldersScanned,
    MsgFoldersIndexed,
    MsgFilePathsIndexed,
    MsgFilesWithText,
    MsgNewFilesWithText,
    MsgUpdatedFilesWithText,
    MsgWordsIndexed,
    MsgFilesOverwritten,
    MsgNewFilesCopied,
    MsgCopyFailedCount,
    MsgTotalFiles,
    MsgFoldersFound,
    MsgFilesFound,
    MsgEventsOf,
    MsgWordStatistics,
    MsgDifferentCount,
    MsgTotalCount,
    MsgConfirmReadWith,
    MsgScreenClipHelp,
    MsgScreenClip,
    MsgEnglishReading,
    MsgSearchMemorandum,
    MsgCalculate,
    MsgSearchAgenda,
    MsgExtracting,
    MsgSearching,
    MsgLoading,
    MsgUrlFolderQuestion,
    MsgSearchArchive,
    MsgSearchIn,
    MsgConnectionError,
    MsgChooseMemoOrNotes,
    MsgRootNotInDictionary,
    MsgInvalidOption,
    MsgInvalidArchive,
    MsgRobotsDenied,
    MsgFileVeryLong,
    MsgLocatingProgram,
    MsgWebInfo,
    MsgConfirmQuit,
    MsgUrlListNotFound,
    MsgNoResults,
    // The indexing summary's line of folders the excluded-folder list kept out.
    MsgFoldersExcluded,
    MsgCannotWrite,
    // An indexing run cut off (a kill, a crash) was undone by the next one.
    MsgRunUndone,
    // Archive files shorter than recorded: the index was emptied for a rebuild.
    MsgArchiveRebuilt,
    // A listed file that changed or went since it was indexed (the list's tooltip).
    MsgFileGone,
    MsgFileSizeChanged,
    MsgFileTimeChanged,
    // What a search looked for when it is not what was typed (the query's notice).
    MsgQuerySearchedFor,
    MsgQueryNothingToSearch,
    MsgQueryNotSearched,
    MsgQueryTooShort,
    MsgQueryStopWord,
    MsgQueryAfterShortWord,
    MsgQueryBeyondTenWords,
    // How to add a missing root from the command line (after MsgRootNotInDictionary).
    MsgRootAddHint,
    // The window's offer after MsgRootNotInDictionary.
    MsgAddRootQuestion,
    // Roots were added: documents indexed before do not hold those words yet.
    MsgRootsAddedReindex,
    // Another process writes the archive (its number and command): nothing was done.
    MsgArchiveBusy,
    // The indexing summary's line of files whose text could not be read.
    MsgFilesNotRead,
    // The indexing summary's line of documents whose files are gone from the folders walked.
    MsgFilesGone,
    // The archive page's box that turns the live index on and off.
    MsgWatchServiceBox,
    // The live index is on: how it was turned on (the unit's name).
    MsgWatchOnSystemd,
    MsgWatchOnAutostart,
    MsgWatchOnAutostartRunning,
    // The live index is off: what was turned off.
    MsgWatchOffSystemd,
    MsgWatchOffAutostart,
    MsgWatchOffAlready,
    // A watcher that ran was ended (its process number).
    MsgWatchStopped,
    MsgWatchStillRunning,
    // An outside command of the live index failed (the command, what it said).
    MsgWatchCommandFailed,
    MsgWatchNoTemplate,
    // An autostart entry of the same name that the user wrote: never replaced or removed.
    MsgWatchForeignEntry,
    MsgWatchForeignEntryLeft,
    // A file of the live index could not be written or removed (the file, why).
    MsgWatchCannotWrite,
    MsgWatchCannotRemove,
    // The autostart entry is there but the watcher ended at once (the entry, why).
    MsgWatchNotStarted,
    // Turned on from another working folder than the one watched at login.
    MsgWatchOtherWorkdir,
    // The live index's indicator in the status area: the watcher's phase, one short word each.
    MsgWatchStarting,
    MsgWatchWatching,
    MsgWatchUpdating,
    MsgWatchPaused,
    MsgWatchError,
    MsgWatchNotWatching,
    // Its tooltip, one fact a line.
    MsgWatchTipHeading,
    MsgWatchTipArchives,
    MsgWatchTipFolders,
    MsgWatchTipPending,
    MsgWatchTipLastBatch,
    MsgWatchTipNoBatch,
    MsgWatchTipNotice,
    MsgWatchTipError,
    MsgWatchTipNoWatcher,
    MsgWatchTipEnded,
    MsgWatchCannotStart,
    // A run waits for a batch of the live index to end (the status line).
    MsgWaitingForLiveIndex,
    // A program that is not installed (its name, its Debian package twice).
    MsgProgramNotInstalled,
    // A program that is not installed and of no known package (its name, the folders looked in).
    MsgProgramNotInstalledLookedIn,
    // A result row whose file is gone from the disk (its path).
    MsgFileNoLongerExists,
    // "Save as" chose a file of the working folder, which the program keeps.
    MsgOverwriteWorkingFile,
    // The preview's note above a text read by recognition from pictures.
    MsgTextRecognised,
    // The result list's header menu: its rows best first.
    MsgSortByRelevance,
};

inline constexpr int kMessageKeyCount = 156;

// Texts that do not follow the language.
inline constexpr std::string_view kExitWithCancelText = "Uscita con CANCEL";
inline constexpr std::string_view kFatalErrorText = " Fatal ERROR";

// The column of a table of texts in the three languages for a language index:
// 0 Italian, 1 English, anything else Spanish.
constexpr std::size_t languageColumn(int languageIndex)
{
    return languageIndex == 0 ? 0 : languageIndex == 1 ? 1 : 2;
}

// The key's name as written in the code ("MsgNoResults"); empty for a value out of range.
std::string_view messageKeyName(MessageKey key);

class MessageTable {
public:
    // languageIndex: 0 Italian, 1 English; any other value selects Spanish.
    explicit MessageTable(int languageIndex = 1) { load(languageIndex); }

    void load(int languageIndex);
    int languageIndex() const { return m_languageIndex; }

    // The text of the key in the loaded language, UTF-8, exactly as the program shows it.
    std::string_view text(MessageKey key) const;

private:
    int m_languageIndex = 1;
    const std::string_view* m_texts = nullptr;
};

} // namespace vedra::app

// 100,000 rows as a search for a common word lists them (their texts not made
// yet): paths of a home folder's documents, some accented, some in capitals,
// numbered names; sizes from bytes to several GiB; times over twenty years; a
// few words texts and archives. Made once per program, always the same.
#pragma once

#include "core/search/ResultList.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace vedra::bench {

inline constexpr std::size_t kRows = 100'000;

inline const search::ResultList& HundredThousandRows()
{
    static const search::ResultList list = [] {
        search::ResultList rows;
        std::mt19937_64 random(37);
        const std::array<const char*, 8> folders = {"Documenti", "Scaricati", "Progetti/vedra", "Lavoro/Relazioni 2024",
                                                    "Musica", "Immagini/Vacanze", "Università/Tesi", "ÉTÉ"};
        const std::array<const char*, 6> names = {"relazione", "Nota", "capitolo", "fattura", "lettera_à", "README"};
        const std::array<const char*, 5> extensions = {".txt", ".odt", ".pdf", ".html", ".docx"};
        const std::array<const char*, 4> words = {"casa ", "casa mare ", "mare ", "Dir/File"};
        const std::array<const char*, 3> archives = {"C_DOCUMENTI_1", "C_LAVORO_2", "D_MUSICA_3"};
        constexpr std::int64_t kFrom = 1'100'000'000, kSpan = 20LL * 365 * 86'400;
        std::uniform_real_distribution<double> logSize(0.0, std::log(8.0 * (1ULL << 30)));
        rows.reserveLabels(kRows);
        for (std::size_t i = 0; rows.size() < kRows; ++i) {
            std::string path = "/home/utente/" + std::string(folders[random() % folders.size()]) + "/" +
                               std::to_string(random() % 200) + "/" + names[random() % names.size()] +
                               std::to_string(random() % 5000) + extensions[random() % extensions.size()];
            search::ResultRowView row;
            row.path = path;
            row.wordsText = words[random() % words.size()];
            row.archiveName = archives[random() % archives.size()];
            row.archiveNumber = 1;
            row.sizeBytes = static_cast<std::uint64_t>(std::exp(logSize(random)));
            const std::int64_t seconds = kFrom + static_cast<std::int64_t>(random() % kSpan);
            row.lastWrite = static_cast<std::uint64_t>(seconds + 11'644'473'600) * 10'000'000;
            row.documentNumber = static_cast<std::int64_t>(random() % 2'000'000);
            // A hit in the path goes to the top, as the search puts it.
            rows.insertUnlisted(i % 10 == 0 ? 0 : rows.size(), row);
        }
        return rows;
    }();
    return list;
}

} // namespace vedra::bench

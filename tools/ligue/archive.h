// A student's project sent as a .zip or .tar.gz, unpacked through libarchive
// into a fresh folder, refusing whatever could reach outside it or fill the
// disk: absolute paths, "..", links of either kind, devices, too many entries
// and too many bytes once unpacked, counted as they come, not as announced.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

struct PlafondsArchive {
  std::size_t entrees = 1000;
  std::uint64_t octets = 32 * 1024 * 1024;  // unpacked, all entries together
};

// Unpacks `octets` (zip, or tar compressed with gzip) into `dossier`, which
// must exist and be empty. Nothing when done, otherwise why (in English, for
// the student's page); `dossier` may then hold part of it.
[[nodiscard]] std::optional<std::string> deballe(std::string_view octets,
                                                 const std::filesystem::path& dossier,
                                                 const PlafondsArchive& plafonds);

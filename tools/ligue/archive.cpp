#include "ligue/archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <unistd.h>

#include <memory>

namespace fs = std::filesystem;

namespace {

struct FermeArchive {
  void operator()(archive* a) const { archive_read_free(a); }
};

struct Fichier {
  int fd = -1;
  ~Fichier() {
    if (fd >= 0) ::close(fd);
  }
};

// A relative path of plain names: no root, no "..", no empty or "." part.
bool chemin_sur(std::string_view chemin) {
  if (chemin.empty() || chemin.front() == '/') return false;
  const fs::path p(chemin);
  for (const auto& partie : p) {
    const std::string s = partie.string();
    if (s == ".." || s == "/") return false;
  }
  return true;
}

// Why this entry is refused; nothing for a plain file or folder.
std::optional<std::string> refus(archive_entry* e, std::string_view nom) {
  if (!chemin_sur(nom)) return "unsafe path: " + std::string(nom);
  if (archive_entry_hardlink(e) || archive_entry_symlink(e))
    return "link refused: " + std::string(nom);
  const auto type = archive_entry_filetype(e);
  if (type != AE_IFREG && type != AE_IFDIR) return "not a file nor a folder: " + std::string(nom);
  return std::nullopt;
}

std::optional<std::string> ecrit(archive* a, const fs::path& chemin, bool executable,
                                 std::uint64_t& total, std::uint64_t plafond) {
  fs::create_directories(chemin.parent_path());
  Fichier f{::open(chemin.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                   executable ? 0755 : 0644)};
  if (f.fd < 0) return "cannot write " + chemin.filename().string() + " (twice in the archive?)";
  char tampon[64 * 1024];
  for (;;) {
    const la_ssize_t n = archive_read_data(a, tampon, sizeof tampon);
    if (n == 0) return std::nullopt;
    if (n < 0) return std::string("broken archive: ") + archive_error_string(a);
    total += static_cast<std::uint64_t>(n);
    if (total > plafond) return "more than " + std::to_string(plafond >> 20) + " MiB unpacked";
    if (::write(f.fd, tampon, static_cast<std::size_t>(n)) != n) return "disk full";
  }
}

}  // namespace

std::optional<std::string> deballe(std::string_view octets, const fs::path& dossier,
                                   const PlafondsArchive& plafonds) {
  std::unique_ptr<archive, FermeArchive> a(archive_read_new());
  archive_read_support_format_zip(a.get());
  archive_read_support_format_tar(a.get());
  archive_read_support_filter_gzip(a.get());
  if (archive_read_open_memory(a.get(), octets.data(), octets.size()) != ARCHIVE_OK)
    return std::string("not a zip nor a tar.gz: ") + archive_error_string(a.get());
  std::size_t entrees = 0;
  std::uint64_t total = 0;
  archive_entry* e = nullptr;
  for (int code; (code = archive_read_next_header(a.get(), &e)) != ARCHIVE_EOF;) {
    if (code != ARCHIVE_OK) return std::string("broken archive: ") + archive_error_string(a.get());
    if (++entrees > plafonds.entrees)
      return "more than " + std::to_string(plafonds.entrees) + " entries";
    const char* brut = archive_entry_pathname(e);
    const std::string nom = brut ? brut : "";
    if (auto r = refus(e, nom)) return r;
    const fs::path chemin = dossier / fs::path(nom).relative_path();
    if (archive_entry_filetype(e) == AE_IFDIR) {
      fs::create_directories(chemin);
      continue;
    }
    const bool executable = (archive_entry_perm(e) & 0100) != 0;
    if (auto r = ecrit(a.get(), chemin, executable, total, plafonds.octets)) return r;
  }
  return std::nullopt;
}

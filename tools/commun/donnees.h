// Where the programs find the files they share with their users: the viewer
// page (web/visionneuse.html), the sample bots (bots/), the kits (kits/) and
// the guides (docs/), in the same layout in the source tree and once installed.
#pragma once

#include <filesystem>

namespace commun {

// The data folder for a program that lives in `dossier_programme`:
// - the source tree when that is the build tree, so that a fresh build works
//   without installing;
// - else the data folder installed beside its bin/ (share/arene/ under the same
//   prefix), whatever the prefix it was installed under;
// - else the one the build was configured to install to.
std::filesystem::path donnees_arene(const std::filesystem::path& dossier_programme);

// The same for the running program.
std::filesystem::path donnees_arene();

}  // namespace commun

"""scripts/couches.py on the real tree, and on small trees with the faults it
must find: an include that goes up, one that goes sideways, a room left out,
and the guide's source-tree table out of step with the rooms."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

RACINE = pathlib.Path(__file__).resolve().parents[2]
SCRIPT = RACINE / "scripts" / "couches.py"
# The guide of the small trees: its table lists both rooms, lowest first.
TABLE = "## Source tree\n\n| folder | what |\n|---|---|\n| `src/bas` | |\n| `src/haut` | |\n"


def verifie(racine):
    fait = subprocess.run([sys.executable, SCRIPT, "--racine", racine],
                          capture_output=True, text=True, timeout=60)
    return fait.returncode, fait.stdout


class Couches(unittest.TestCase):
    def test_the_tree_points_down(self):
        code, sortie = verifie(RACINE)
        self.assertEqual(code, 0, sortie)

    def test_each_fault_is_named_with_its_file(self):
        cas = [  # (order, planted files, the line expected)
            ("src/bas\nsrc/haut\n", {"src/bas/a.cpp": '#include "haut/b.h"\n'},
             "src/bas/a.cpp:1: src/bas includes src/haut, a room above it"),
            ("src/bas src/haut\n", {"src/bas/a.cpp": '#include "haut/b.h"\n'},
             "src/bas/a.cpp:1: src/bas includes src/haut, a room beside it"),
            ("src/bas\n", {}, "src/haut: a room missing from scripts/couches.txt"),
            ("src/bas\nsrc/haut\n", {"docs/developpement.md": TABLE.replace("| `src/bas` | |\n", "")},
             "docs/developpement.md: src/bas, a room missing from the source tree table"),
            ("src/bas\nsrc/haut\n", {"docs/developpement.md": TABLE + "| `tools/parti` | |\n"},
             "docs/developpement.md: tools/parti in the source tree table, but no such folder"),
            ("src/haut\nsrc/bas\n", {"src/haut/b.h": "", "src/bas/a.cpp": '#include "haut/b.h"\n'},
             "docs/developpement.md: src/bas listed before src/haut, a room below it"),
        ]
        for ordre, plantes, attendu in cas:
            with self.subTest(attendu), tempfile.TemporaryDirectory() as dossier:
                racine = pathlib.Path(dossier)
                fichiers = {"scripts/couches.txt": ordre, "src/bas/a.cpp": '#include "bas/a.h"\n',
                            "src/haut/b.h": '#include "bas/a.h"\n', "tools/.garde": "",
                            "docs/developpement.md": TABLE}
                for nom, texte in {**fichiers, **plantes}.items():
                    (racine / nom).parent.mkdir(parents=True, exist_ok=True)
                    (racine / nom).write_text(texte)
                code, sortie = verifie(racine)
                self.assertEqual(code, 1, sortie)
                self.assertIn(attendu + "\n", sortie)


if __name__ == "__main__":
    unittest.main()

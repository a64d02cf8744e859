"""Builds the kit's wheel and source archive for pip, with the standard
library alone: pip then needs neither a network nor setuptools, and writes
nothing into the kit's folder, which may be read-only (/usr/share/arene).
"""

from __future__ import annotations

import base64
import hashlib
import io
import tarfile
import zipfile
from pathlib import Path

NOM = "arene_kit"
VERSION = "1.0.0"
ICI = Path(__file__).resolve().parent.parent
METADONNEES = f"""Metadata-Version: 2.1
Name: arene-kit
Version: {VERSION}
Summary: Starter kit for arena bots: connection, records, pipelining
License: MIT
Requires-Python: >=3.9
"""
ROUE = """Wheel-Version: 1.0
Generator: arene-kit
Root-Is-Purelib: true
Tag: py3-none-any
"""
DATE = (1980, 1, 1, 0, 0, 0)  # the same archive from the same files


def _sources() -> list[Path]:
    return sorted(p for p in (ICI / "arene").glob("*.py"))


def _empreinte(octets: bytes) -> str:
    condense = base64.urlsafe_b64encode(hashlib.sha256(octets).digest()).rstrip(b"=")
    return f"sha256={condense.decode()},{len(octets)}"


def build_wheel(wheel_directory: str, config_settings: object = None,
                metadata_directory: object = None) -> str:
    infos = f"{NOM}-{VERSION}.dist-info"
    fichiers = {f"arene/{p.name}": p.read_bytes() for p in _sources()}
    fichiers[f"{infos}/METADATA"] = METADONNEES.encode()
    fichiers[f"{infos}/WHEEL"] = ROUE.encode()
    registre = "".join(f"{nom},{_empreinte(octets)}\n" for nom, octets in fichiers.items())
    fichiers[f"{infos}/RECORD"] = (registre + f"{infos}/RECORD,,\n").encode()
    nom = f"{NOM}-{VERSION}-py3-none-any.whl"
    with zipfile.ZipFile(Path(wheel_directory) / nom, "w", zipfile.ZIP_DEFLATED) as roue:
        for chemin, octets in fichiers.items():
            roue.writestr(zipfile.ZipInfo(chemin, DATE), octets, zipfile.ZIP_DEFLATED)
    return nom


def build_sdist(sdist_directory: str, config_settings: object = None) -> str:
    racine = f"{NOM}-{VERSION}"
    nom = f"{racine}.tar.gz"
    contenu = [ICI / "pyproject.toml", ICI / "README.md", Path(__file__).resolve(), *_sources()]
    with tarfile.open(Path(sdist_directory) / nom, "w:gz") as archive:
        for chemin in contenu:
            archive.add(chemin, f"{racine}/{chemin.relative_to(ICI)}")
        entete = tarfile.TarInfo(f"{racine}/PKG-INFO")
        entete.size = len(METADONNEES.encode())
        archive.addfile(entete, io.BytesIO(METADONNEES.encode()))
    return nom

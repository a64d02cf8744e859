// Fingerprints of a world's lists, to compare runs on different machines
// without shipping the worlds: every double enters by its bits, lists in
// list order, so two runs that differ in one bit of one record differ here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "world/monde.h"

// FNV-1a over the ships, then the bullets, head first; the same value on every
// machine (words are taken apart arithmetically, never by their memory order).
std::uint64_t empreinte(const world::Monde& monde);
std::uint64_t empreinte(const std::vector<std::uint64_t>& mots);

// "{0x..., 0x...}": what a test prints so that a new expectation can be pasted in.
std::string en_initialiseur(const std::vector<std::uint64_t>& empreintes);

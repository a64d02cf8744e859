// The league's pages, computed from its database on each request: the
// public leaderboard at "/" and each student's page behind their token, in
// French or English by the browser's first language.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "tribune/service_http.h"

enum class Langue { Francais, Anglais };

// French when the browser's first language is, English otherwise.
[[nodiscard]] Langue langue_de(std::string_view accept_language);

// The answer to one request. Never throws: a database that cannot be read
// gives a 500 that says so.
[[nodiscard]] tribune::PageHttp page_ligue(const std::filesystem::path& base,
                                           const tribune::DemandeHttp& r);

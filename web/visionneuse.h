// The browser viewer, web/visionneuse.html, built into the programs that serve it.
#pragma once

#include <string_view>

// The page's bytes exactly as in the file (UTF-8 HTML, its CSS and script inline).
// Static storage: the view stays valid for the whole program.
std::string_view page_visionneuse();

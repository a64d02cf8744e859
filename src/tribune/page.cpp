#include "tribune/page.h"

#ifdef ARENE_VISIONNEUSE
#include "visionneuse.h"
#endif

namespace tribune {

#ifdef ARENE_VISIONNEUSE
std::string_view page_accueil() { return page_visionneuse(); }

#else

std::string_view page_accueil() {
  return R"(<!doctype html>
<html lang="en">
<head><meta charset="utf-8"><title>arene</title></head>
<body>
<h1>arene</h1>
<p>The viewer is not built into this server. The match is still here:</p>
<ul>
<li><a href="/resultats">/resultats</a>: the results so far, as JSON;</li>
<li><a href="/metrics">/metrics</a>: the server's figures, for Prometheus;</li>
<li><code>/flux</code>: the live stream, a WebSocket of JSON lines.</li>
</ul>
</body>
</html>
)";
}

#endif

}  // namespace tribune

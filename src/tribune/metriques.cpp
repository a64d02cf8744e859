#include "tribune/metriques.h"

#include <charconv>
#include <string_view>

namespace tribune {

namespace {

void nombre(std::string& texte, double x) {
  char tampon[32];
  texte.append(tampon, std::to_chars(tampon, tampon + sizeof tampon, x).ptr);
}

void nombre(std::string& texte, std::uint64_t n) {
  char tampon[24];
  texte.append(tampon, std::to_chars(tampon, tampon + sizeof tampon, n).ptr);
}

double secondes(const std::atomic<std::uint64_t>& ns) {
  return static_cast<double>(ns.load(std::memory_order_relaxed)) / 1e9;
}

std::uint64_t lu(const std::atomic<std::uint64_t>& compteur) {
  return compteur.load(std::memory_order_relaxed);
}

void famille(std::string& texte, std::string_view nom, std::string_view type,
             std::string_view aide) {
  texte.append("# HELP ").append(nom).append(" ").append(aide).append("\n");
  texte.append("# TYPE ").append(nom).append(" ").append(type).append("\n");
}

// One sample: `nom{etiquettes} valeur`; the labels, if any, already written as `{...}`.
template <typename Nombre>
void echantillon(std::string& texte, std::string_view nom, std::string_view etiquettes,
                 Nombre valeur) {
  texte.append(nom).append(etiquettes).append(" ");
  nombre(texte, valeur);
  texte += '\n';
}

template <typename Nombre>
void simple(std::string& texte, std::string_view nom, std::string_view type, std::string_view aide,
            Nombre valeur) {
  famille(texte, nom, type, aide);
  echantillon(texte, nom, "", valeur);
}

void histogramme_ticks(std::string& texte, const match::MesuresTick& m) {
  constexpr std::string_view nom = "arene_tick_duree_secondes";
  famille(texte, nom, "histogram",
          "How long each tick held the world lock: the update and the match's bookkeeping.");
  std::uint64_t cumul = 0;
  for (std::size_t i = 0; i < match::MesuresTick::bornes.size(); ++i) {
    cumul += lu(m.par_duree[i]);
    std::string etiquettes = "{le=\"";
    nombre(etiquettes, match::MesuresTick::bornes[i]);
    etiquettes += "\"}";
    echantillon(texte, std::string(nom) + "_bucket", etiquettes, cumul);
  }
  // The count is the buckets' total, so that it always equals the +Inf bucket.
  cumul += lu(m.par_duree.back());
  echantillon(texte, std::string(nom) + "_bucket", "{le=\"+Inf\"}", cumul);
  echantillon(texte, std::string(nom) + "_sum", "", secondes(m.duree_ns));
  echantillon(texte, std::string(nom) + "_count", "", cumul);
}

void requetes(std::string& texte, const protocol::CompteursProtocole& p) {
  constexpr std::string_view nom = "arene_requetes_total";
  famille(
      texte, nom, "counter",
      "Request lines from players, by command; \"inconnue\" for lines answered ERREUR SYNTAXE.");
  for (std::size_t sorte = 0; sorte < protocol::nb_sortes_requetes; ++sorte)
    echantillon(texte, nom, "{commande=\"" + std::string(protocol::nom_requete(sorte)) + "\"}",
                lu(p.requetes[sorte]));
}

void spectateurs(std::string& texte, const StatistiquesSpectateurs& s) {
  simple(texte, "arene_spectateurs", "gauge", "Spectators following the live stream.",
         std::uint64_t{s.flux});
  simple(
      texte, "arene_spectateurs_refuses_total", "counter",
      "Spectator requests answered 503: every stream place, or every connection place, was taken.",
      s.refuses);
  simple(texte, "arene_spectateurs_refuses_adresse_total", "counter",
         "Spectator connections answered 429: their address held its share of connections.",
         s.refuses_adresse);
  simple(texte, "arene_spectateurs_abandonnes_total", "counter",
         "Streams cut because their spectator stopped reading.", s.abandonnes);
  simple(texte, "arene_spectateurs_lots_sautes_total", "counter",
         "Lots of changes not sent to a spectator that fell behind, all spectators together.",
         s.lots_sautes);
  simple(texte, "arene_spectateurs_reprises_total", "counter",
         "Full states sent to spectators that had skipped lots.", s.reprises);
}

}  // namespace

std::string texte_metriques(const SourcesMetriques& sources) {
  const match::MesuresTick& m = sources.tick;
  std::string texte;
  texte.reserve(8192);
  simple(texte, "arene_ticks_total", "counter", "Ticks run since the match started.", lu(m.ticks));
  histogramme_ticks(texte, m);
  simple(texte, "arene_tick_attente_verrou_secondes_total", "counter",
         "Time the tick thread waited for the world lock.", secondes(m.attente_verrou_ns));
  simple(texte, "arene_ticks_perdus_total", "counter",
         "Ticks missing from the recording: changes the writer could not take (missing from the "
         "stream too), or could not write to the file.",
         static_cast<std::uint64_t>(m.ticks_perdus.load(std::memory_order_relaxed) +
                                    m.ticks_non_ecrits.load(std::memory_order_relaxed)));
  simple(texte, "arene_connexions", "gauge", "Players' connections open on the game port.",
         std::uint64_t{sources.connexions});
  simple(texte, "arene_vaisseaux", "gauge", "Ships in play.", lu(m.vaisseaux));
  simple(texte, "arene_balles", "gauge", "Bullets in flight.", lu(m.balles));
  requetes(texte, sources.protocole);
  simple(texte, "arene_octets_recus_total", "counter", "Bytes read from players.",
         lu(sources.protocole.octets_recus));
  simple(texte, "arene_octets_envoyes_total", "counter", "Bytes sent to players.",
         lu(sources.protocole.octets_envoyes));
  spectateurs(texte, sources.spectateurs);
  return texte;
}

}  // namespace tribune

#include "tournoi/bilan.h"

#include <gtest/gtest.h>

#include "tournoi/plan.h"
#include "tournoi/rapport.h"
#include "tournoi/slurm.h"

namespace {

std::string joueur(int couleur, int rang, const char* etat) {
  return "{\"couleur\":" + std::to_string(couleur) + ",\"rang\":" + std::to_string(rang) +
         ",\"etat\":\"" + etat +
         "\",\"pt_vie\":3,\"touches_donnees\":1,\"touches_recues\":2,\"balles_tirees\":9}";
}

// The referee's ranking, then every failure below it, tied.
TEST(Bilan, DefaillancesEnDernier) {
  const std::vector<BotInscrit> bots = {{"a", "", "", 1}, {"b", "", "", 2}, {"c", "", "", 3},
                                        {"d", "", "", 4}, {"e", "", "", 5}, {"f", "", "", 6}};
  const std::string arbitre = "{\"joueurs\":[" + joueur(1, 1, "vivant") + "," +
                              joueur(6, 1, "vivant") + "," + joueur(2, 3, "parti") + "," +
                              joueur(3, 4, "detruit") + "]}";
  const std::vector<IssueProcessus> issues = {
      {FinProcessus{1, 0}, false},   // a: failed after the end, its ship alive: no matter
      {FinProcessus{0, 11}, false},  // b: crashed during the match
      {std::nullopt, true},          // c: ignored the end
      {FinProcessus{0, 0}, false},   // d: left without registering
      {FinProcessus{2, 0}, false},   // e: crashed before registering
      {std::nullopt, false},         // f
  };
  const auto bilan = bilan_match(bots, arbitre, issues);
  struct Attendu {
    const char* nom;
    int rang;
    Defaillance defaillance;
    const char* etat;
  };
  const Attendu attendus[] = {
      {"a", 1, Defaillance::Aucune, "vivant"},           {"f", 1, Defaillance::Aucune, "vivant"},
      {"c", 3, Defaillance::Aucune, "detruit"},          {"b", 4, Defaillance::Plante, "parti"},
      {"d", 4, Defaillance::JamaisEnregistre, "absent"}, {"e", 4, Defaillance::Plante, "absent"}};
  ASSERT_EQ(bilan.size(), std::size(attendus));
  for (std::size_t i = 0; i < bilan.size(); ++i) {
    EXPECT_EQ(bilan[i].nom, attendus[i].nom) << i;
    EXPECT_EQ(bilan[i].rang, attendus[i].rang) << attendus[i].nom;
    EXPECT_EQ(bilan[i].defaillance, attendus[i].defaillance) << attendus[i].nom;
    EXPECT_EQ(bilan[i].etat, attendus[i].etat) << attendus[i].nom;
  }
  EXPECT_TRUE(bilan[2].tue);
  EXPECT_EQ(bilan[2].balles_tirees, 9);
  EXPECT_THROW(bilan_match(bots, "{\"joueurs\":[{}]}", issues), std::runtime_error);
}

// The ranking names each bot's colour in decimal and hexadecimal, as results do.
TEST(Bilan, TableauDitLaCouleur) {
  const Plan plan{};
  std::vector<LigneClassement> lignes(1);
  lignes[0].nom = "viseur";
  lignes[0].couleur = 3394611;
  const std::vector<ResultatMatch> resultats;
  const std::string t = tableau(Rapport{plan, lignes, resultats, {}});
  EXPECT_NE(t.find("viseur               3394611 (#33CC33)"), std::string::npos) << t;
}

// A result survives its JSON line, and a plan its file: resumption compares plans.
TEST(Bilan, AllerRetourJson) {
  ResultatMatch r;
  r.indice = 7;
  r.graine = 1ULL << 60;
  r.termine = true;
  r.raison = "survivant";
  r.duree_s = 12.5;
  r.bots = bilan_match({{"x", "", "", -3}, {"y", "", "", 9}},
                       "{\"joueurs\":[" + joueur(-3, 1, "vivant") + "]}",
                       {{std::nullopt, true}, {FinProcessus{0, 9}, false}});
  EXPECT_EQ(ligne_json(resultat_de_json(ligne_json(r))), ligne_json(r));
  EXPECT_EQ(texte_arrivee(r), "1. x (killed after the end)  2. y (crashed, signal 9)");
  // A bot the cage stopped for a limit loses, even ahead in the referee's ranking.
  r.bots =
      bilan_match({{"m", "", "", 1}, {"n", "", "", 2}},
                  "{\"joueurs\":[" + joueur(1, 1, "vivant") + "," + joueur(2, 2, "detruit") + "]}",
                  {{FinProcessus{0, 9}, false, Defaillance::Memoire}, {}});
  EXPECT_EQ(ligne_json(resultat_de_json(ligne_json(r))), ligne_json(r));
  EXPECT_EQ(texte_arrivee(r), "1. n  2. m (stopped: limit memoire)");

  Tournoi t;
  t.nom = "t";
  t.bots = {{"x", "run {port} {couleur}", "/b", 5}, {"y", "go {port} {couleur}", "/c", 6}};
  t.format = Format::Groupes;
  t.duree = {300, match::DureePartie::Unite::Ticks};
  t.graines = {4, 5};
  t.cage = false;
  t.limites.memoire = 7 * cage::mio;
  t.lectures = {"/kits"};
  const Plan plan = plan_de(t, "/bin/arbitre");
  EXPECT_EQ(plan_de_texte(texte_plan(plan)).tournoi.lectures, t.lectures);
  EXPECT_EQ(texte_plan(plan_de_texte(texte_plan(plan))), texte_plan(plan));
  EXPECT_THROW(plan_de_texte("{\"format\":\"autre\"}"), std::runtime_error);
}

TEST(Rapport, LiensEtTableauxSlurm) {
  EXPECT_EQ(lien_visionneuse("/srv/t/d", "/srv/arene/web/visionneuse.html",
                             "/srv/t/d/matchs/0001/enregistrement.jsonl.gz"),
            "../../arene/web/visionneuse.html?enregistrement=../../t/d/matchs/0001/"
            "enregistrement.jsonl.gz");
  EXPECT_EQ(lien_visionneuse("/r/mes tournois/d", "/r/web/visionneuse.html",
                             "/r/mes tournois/d/matchs/0000/e.gz"),
            "../../web/visionneuse.html?enregistrement=../mes%20tournois/d/matchs/0000/e.gz");
  EXPECT_EQ(liste_tableau({0, 1, 2, 3, 5, 7, 8, 9}), "0-3,5,7-9");
  EXPECT_EQ(liste_tableau({4}), "4");
  const std::string script =
      script_slurm({"/opt/a b/arene-tournoi", "/shared/it's", "t", {2, 3}, "court"});
  EXPECT_NE(script.find("#SBATCH --array=2-3\n"), std::string::npos) << script;
  EXPECT_NE(script.find("#SBATCH --partition=court\n"), std::string::npos) << script;
  EXPECT_NE(script.find("exec '/opt/a b/arene-tournoi' match '/shared/it'\\''s' "
                        "\"$SLURM_ARRAY_TASK_ID\"\n"),
            std::string::npos)
      << script;
}

}  // namespace

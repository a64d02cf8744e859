// A spectator's rebuild of the lists from the stream's lines, kept as list
// replies would show them after each state and each tick received. Free of
// the match's headers, whose names would clash with the e2e helpers'.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using Liste = std::vector<std::string>;

// The lines of a stream message.
std::vector<std::string> lignes_de(const std::string& message);
// The "t" of a stream line.
std::string type_de(const std::string& ligne);

class Relecture {
 public:
  Relecture();
  ~Relecture();
  Relecture(const Relecture&) = delete;
  Relecture& operator=(const Relecture&) = delete;

  // Applies every line of one stream message; checks that ticks come in a row.
  void recoit(const std::string& message);
  std::int64_t tick() const;

  std::vector<std::string> types;  // of every line, in order
  std::vector<Liste> vaisseaux;    // "GET VAISSEAUX" after each state and tick
  std::vector<Liste> balles;       // "GET BALLES" likewise

 private:
  struct Etat;
  std::unique_ptr<Etat> etat_;
};

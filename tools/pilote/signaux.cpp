#include "pilote/signaux.h"

#include <csignal>

namespace {

constexpr std::array<int, 3> signaux = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t dernier_signal = 0;

extern "C" void note_signal(int numero) { dernier_signal = numero; }

}  // namespace

GardeSignaux::GardeSignaux() {
  struct sigaction action {};
  action.sa_handler = note_signal;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < signaux.size(); ++i) sigaction(signaux[i], &action, &anciens_[i]);
}

GardeSignaux::~GardeSignaux() {
  for (std::size_t i = 0; i < signaux.size(); ++i) sigaction(signaux[i], &anciens_[i], nullptr);
}

int GardeSignaux::recu() { return dernier_signal; }

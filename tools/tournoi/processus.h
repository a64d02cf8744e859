// The tournament starts its referee and bots through the cage's processes.
#pragma once

#include "cage/processus.h"

using cage::Commande;
using cage::FinProcessus;
using cage::Groupe;
using cage::port_en_ecoute;

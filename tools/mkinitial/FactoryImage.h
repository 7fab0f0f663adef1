#pragma once
// The factory image of a model type, made from the reviewed plan tables: the settings first,
// then every record table through the record cursor, and last the model's own adoption, so the
// image holds exactly what the program itself would store.
#include <string>

#include "mkinitial/FactoryPlan.h"

class cmcEeprom;

// Builds the image of the given model type (resized and cleared first). False with a message
// when the plan has no such model or the image does not settle under adoption.
bool BuildFactoryImage(const FactoryPlan& plan, int type, cmcEeprom* image, std::string* error);

// The initial file of an image: a clone file of the document range, as Save writes it.
std::string FactoryFileText(cmcEeprom* image);

// Row of the channel tables that a designator names (the radio's own channel numbering), or -1.
int ChannelRowOf(const PlanChannel& channel);

#include "video/colour_tables.h"

// Placeholder until the colour tables land.
namespace {
ColourTables process_tables;
}

const ColourTables& colour_tables() {
    return process_tables;
}

void build_colour_tables(ColourTables&, const PlayParams&) {}

void publish_colour_tables(const PlayParams&) {}

void build_colour_tables(PlayerContext& context) {
    publish_colour_tables(*context.params);
}

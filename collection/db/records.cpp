#include "collection/db/records.h"

DB_cats::DB_cats() {
    supercats[0].name = "Effects";
    supercats[1].name = "Instruments";
    supercats[2].name = "Other";
}

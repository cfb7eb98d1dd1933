#include "ui/pages/PgMarkers.h"

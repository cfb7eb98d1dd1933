#include "ui/pages/PgTraces.h"

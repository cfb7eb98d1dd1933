#include "ui/pages/PgUpdate.h"

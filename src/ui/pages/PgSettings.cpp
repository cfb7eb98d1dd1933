#include "ui/pages/PgSettings.h"

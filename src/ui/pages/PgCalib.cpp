#include "ui/pages/PgCalib.h"

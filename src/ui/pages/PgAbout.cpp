#include "ui/pages/PgAbout.h"

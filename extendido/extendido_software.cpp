#include "extendido_software.hpp"

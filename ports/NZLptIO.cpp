#include "ports/NZLptIO.h"

NZLptIO::NZLptIO() {}
NZLptIO::~NZLptIO() {}

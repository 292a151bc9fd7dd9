#include "image/txfile.h"

bool TxFile::PutC(unsigned char c) { return Write(&c, 1, 1) == 1; }

// The XML library the suite reads its definition files with.
#ifndef QE_XMLPARSER_H
#define QE_XMLPARSER_H

#include <tinyxml.h>

#endif

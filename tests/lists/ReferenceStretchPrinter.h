// Lets a failed comparison of stretches show their times and texts rather
// than their bytes.
#pragma once

#include "lists/CReferenceText.h"

#include <ostream>

inline void PrintTo(const CReferenceStretch &stretch, std::ostream *out)
{
    *out << "{" << stretch.m_dwStartMs << ", " << stretch.m_dwEndMs << ", \"" << stretch.m_strText.toStdString()
         << "\"}";
}

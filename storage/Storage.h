// The Storage binding: every class of both namespaces, and the runtime.
#pragma once

#include "runtime/NqXmlLib3.h"
#include "storage/CArrRange.h"
#include "storage/CArrRange_ChoiceA.h"
#include "storage/CCParams.h"
#include "storage/CCParams_ChoiceA.h"
#include "storage/CStorageArray.h"
#include "storage/CStorageArrayReader.h"
#include "storage/CStorageArrayWriter.h"
#include "storage/CStorageItem.h"
#include "storage/ClassFactory.h"
#include "storage/Collections.h"
#include "storage/DocumentFormat.h"
#include "storage/Export.h"
#include "storage/ScalarChoice.h"
#include "storage/TargetNamespace.h"

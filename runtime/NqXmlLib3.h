// The binding runtime: everything a host or a binding needs, in one include.
#pragma once

#include "runtime/ClassfactoryBase.h"
#include "runtime/CompactString.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/Export.h"
#include "runtime/FileSystem.h"
#include "runtime/InstanceMonitor.h"
#include "runtime/JsonShape.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlCollectionBase.h"
#include "runtime/XmlElement.h"
#include "runtime/XmlObjectBase.h"
#include "runtime/XmlTextWriter.h"

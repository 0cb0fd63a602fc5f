// The toolkit in one include: value types, drawing contexts, bitmaps, views,
// containers and the frame.
#pragma once

#include "CBitmap.h"
#include "CControl.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "CVerticalSwitch.h"
#include "CView.h"
#include "geometry.h"
#include "guieditor.h"

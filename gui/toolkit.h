// The toolkit in one include: value types, drawing contexts, bitmaps, views,
// containers, the frame, the controls and the editor binding.
#pragma once

#include "CAnimRotary.h"
#include "CBitmap.h"
#include "CControl.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "CParamDisplay.h"
#include "CRotary.h"
#include "CSlider.h"
#include "CSplashScreen.h"
#include "CVerticalSwitch.h"
#include "CView.h"
#include "geometry.h"
#include "guieditor.h"

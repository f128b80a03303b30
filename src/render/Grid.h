#pragma once
// The grid the surface is drawn over: 40 by 40 cells, node indices -20..20 on
// each axis, so cell (i, j) for i and j from -20 to 19.
constexpr int kFirstCell = -20;
constexpr int kLastCell = 19;

// Node spacing of the wireframe; the surface mode spaces its nodes by GridStep.
constexpr int kWireStep = 18;

#pragma once
// CThreadModel: the worker-thread base of the HTTP engine, at normal priority (see
// platform/sync/ThreadModel.h for the start and stop rules).

#include "platform/sync/ThreadModel.h"

using CThreadModel = platform::ThreadModel;

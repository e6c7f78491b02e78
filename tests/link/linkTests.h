#pragma once

int runFrameTests(int argc, char** argv);
int runUsbLinkTests(int argc, char** argv);
int runUsbWindowTests(int argc, char** argv);

// The studio's one page: HTML, style and script in one text, served as it is.
#pragma once

const char* StudioPage();

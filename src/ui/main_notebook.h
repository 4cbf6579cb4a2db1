// The main window's content: banner, notebook with the "Array", "Controller" and
// "Option" pages, the "close" row and the hidden progress rows; built whole each time.
#pragma once

int initgraph();

// Writes pictures as PNG files (screen captures of the scripted mode).
#pragma once
#include <cstdint>
#include <string>

// rgb: width * height pixels of 3 bytes, top row first. False if the file cannot be written.
bool png_write_rgb(const std::string& path, int width, int height, const std::uint8_t* rgb);

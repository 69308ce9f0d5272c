// Unit-conversion factors and path strings that every unit carries as its
// own copy. The values are the program's own, not textbook ones.
#pragma once
#include <string>

const float kgstolbs = 2.204622f;
const float mtrstoft = 3.28084f;
const float watttohp = 0.0013410219f;
const float radtodeg = 57.295776f;
const float degtorad = 0.017453294f;
const float fpstokts = 0.5924838f;
const float ktstomsc = 0.5144445f;
const float msctokts = 1.9438444f;
const float rpmtorsc = 0.104719765f;
const float rsctorpm = 9.549295f;
const float fpmtomsc = 0.00508f;
const float msctofpm = 196.85039f;
const float nmtomtrs = 1852.0f;
const float mtrstonm = 0.0005399568f;
const float smtomtrs = 1609.344f;
const float mtrstosm = 0.0006213712f;
const float sftosmtr = 0.09290304f;
const float smtrtosf = 10.76391f;
const float lbstontn = 4.4444265f;
const float ntntolbs = 0.2250009f;
const float ftlbtonm = 1.3546612f;
const float nmtoftlb = 0.73819196f;
const float endtomed = 514.9391f;
const float medtoend = 0.0019419773f;
const float enptomep = 47.83941f;
const float meptoenp = 0.020903269f;
const float enItomtI = 0.042140123f;
const float mtltoenl = 23.730354f;
const float pasto_hg = 0.00029528743f;
const float hg_topas = 3386.5308f;
const float milto_hg = 0.029528743f;
const float hg_tomil = 33.86531f;
const float sm_to_nm = 0.86897624f;
const float lbhtokgs = 0.00012599792f;
const float kgstolbh = 7936.639f;
const float pastopsi = 0.00014503264f;
const float scn_vis_ele = 30480.0f;

const std::string no_install_name = "Not Yet Scanned";
const std::string ear_path = "Resources:Earth nav data:";
const std::string mar_path = "Resources:Mars nav data:";

#!/bin/sh
# Draws the manager's bitmaps and icon with ImageMagick into images/. Run from any folder:
#   sh manager/resources/make_images.sh
# Tree images are 16 x 16, 24-bit, on the mask colour RGB(255, 0, 0), which therefore never
# appears inside a picture. The outputs are committed; run this again only to change them.
set -eu
cd "$(dirname "$0")/images"
FONT=DejaVu-Sans-Bold
MASK='rgb(255,0,0)'

tree() { # name, then ImageMagick -draw arguments
  name=$1; shift
  convert -size 16x16 "xc:$MASK" +antialias "$@" -type TrueColor "BMP3:$name.bmp"
}

tree token \
  -fill 'rgb(70,70,80)' -stroke 'rgb(20,20,30)' -draw 'roundrectangle 1,4 11,11 2,2' \
  -fill 'rgb(200,200,210)' -stroke 'rgb(90,90,100)' -draw 'rectangle 11,5 15,10' \
  -stroke none -fill 'rgb(60,200,80)' -draw 'rectangle 4,7 6,8'
tree pin \
  -fill 'rgb(250,250,240)' -stroke 'rgb(60,60,90)' -draw 'roundrectangle 0,3 15,12 2,2' \
  -stroke none -fill 'rgb(30,40,120)' \
  -draw 'circle 4,8 5,9' -draw 'circle 8,8 9,9' -draw 'circle 12,8 13,9'
tree certificate \
  -fill white -stroke 'rgb(80,80,100)' -draw 'rectangle 1,1 14,12' \
  -stroke 'rgb(120,120,160)' -draw 'line 3,4 12,4' -draw 'line 3,6 12,6' -draw 'line 3,8 8,8' \
  -stroke 'rgb(150,100,0)' -fill 'rgb(240,190,40)' -draw 'circle 11,11 13,13' \
  -stroke none -fill 'rgb(200,60,60)' -draw 'polygon 9,13 10,15 11,13' -draw 'polygon 11,13 12,15 13,13'
tree update \
  -fill 'rgb(40,160,60)' -stroke 'rgb(10,90,30)' \
  -draw 'polygon 5,1 10,1 10,7 14,7 8,14 1,7 5,7'
tree about_item \
  -fill 'rgb(40,90,200)' -stroke 'rgb(20,40,120)' -draw 'circle 7.5,7.5 7.5,0.5' \
  -stroke none -fill white -draw 'rectangle 7,6 8,12' -draw 'rectangle 7,3 8,4'
key() { # name, fill, outline
  tree "$1" -fill "$2" -stroke "$3" -draw 'circle 4,8 4,4' -draw 'rectangle 7,7 15,9' \
    -draw 'rectangle 12,9 13,12' -draw 'rectangle 15,9 15,11' \
    -stroke none -fill 'rgb(255,255,255)' -draw 'circle 4,8 4,7'
}
key public_key 'rgb(60,170,80)' 'rgb(20,90,40)'
key private_key 'rgb(240,180,30)' 'rgb(140,90,0)'
tree key_container \
  -fill 'rgb(240,200,90)' -stroke 'rgb(150,110,20)' -draw 'rectangle 1,5 14,14' \
  -fill 'rgb(250,220,130)' -draw 'polygon 1,5 4,2 11,2 14,5' \
  -stroke none -fill 'rgb(120,80,10)' -draw 'rectangle 6,8 9,10'
tree token_info \
  -fill 'rgb(70,70,80)' -stroke 'rgb(20,20,30)' -draw 'roundrectangle 0,3 12,12 2,2' \
  -fill 'rgb(200,200,210)' -draw 'rectangle 12,5 15,10' \
  -stroke none -fill 'rgb(90,170,255)' -draw 'rectangle 5,6 7,11' -draw 'rectangle 5,4 7,4'
tree verify_pin \
  -fill 'rgb(250,250,240)' -stroke 'rgb(60,60,90)' -draw 'roundrectangle 0,5 10,13 2,2' \
  -stroke 'rgb(20,150,40)' -strokewidth 2 -fill none -draw 'polyline 6,9 9,13 15,2'

# Banner across the top of the main window: 455 x 52 dialog units at 96 DPI.
convert -size 760x85 gradient:'rgb(12,40,110)-rgb(30,110,200)' -rotate -90 -resize 760x85\! \
  -fill 'rgba(255,255,255,0.12)' -draw 'circle 690,42 760,42' -draw 'circle 640,10 670,10' \
  -fill white -font "$FONT" -pointsize 34 -gravity west -annotate +24+0 'VLX-CA Ruzaz Odarove v4' \
  -type TrueColor BMP3:banner.bmp

# About picture: the page area, 282 x 175 dialog units.
convert -size 470x285 gradient:'rgb(245,248,255)-rgb(190,210,240)' \
  -fill 'rgb(70,70,80)' -stroke 'rgb(20,20,30)' -draw 'roundrectangle 150,60 290,150 18,18' \
  -fill 'rgb(200,200,210)' -draw 'rectangle 290,80 330,130' \
  -stroke none -fill 'rgb(60,200,80)' -draw 'rectangle 180,98 200,112' \
  -fill 'rgb(12,40,110)' -font "$FONT" -pointsize 26 -gravity south -annotate +0+70 'VLX-CA Ruzaz Odarove v4' \
  -font DejaVu-Sans -pointsize 15 -annotate +0+40 'PKI token manager' \
  -type TrueColor BMP3:about_picture.bmp

# Window icon: a token in three sizes.
for s in 16 32 48; do
  convert -size 48x48 xc:none \
    -fill 'rgb(40,60,140)' -stroke 'rgb(10,20,60)' -strokewidth 2 -draw 'roundrectangle 3,12 34,36 5,5' \
    -fill 'rgb(210,210,220)' -stroke 'rgb(90,90,100)' -draw 'rectangle 34,16 45,32' \
    -stroke none -fill 'rgb(80,220,100)' -draw 'circle 13,24 17,24' \
    -resize ${s}x${s} "icon_$s.png"
done
convert icon_16.png icon_32.png icon_48.png token.ico
rm -f icon_16.png icon_32.png icon_48.png
